// zel.dialogs: the system's file and folder choosers.
import { fn, section } from '../lib/demo.js';

export const title = 'Dialogs';

export function render() {
  return section('Dialogs', 'Each resolves with the chosen path, or "" when the user cancels.',
    fn({ name: 'dialogs.openFile', args: { title: 'Open a text file', fileTypes: 'Text files|*.txt;All files|*.*' },
      call: (a) => zel.dialogs.openFile(a) }),
    fn({ name: 'dialogs.saveFile', args: { title: 'Save as', fileName: 'notes.txt', fileTypes: 'Text files|*.txt', overwritePrompt: true },
      call: (a) => zel.dialogs.saveFile(a), note: 'No extension is added to the name the user types.' }),
    fn({ name: 'dialogs.selFolder', args: { title: 'Choose a folder' }, call: (a) => zel.dialogs.selFolder(a),
      note: 'The folder ends with a separator.' }));
}
