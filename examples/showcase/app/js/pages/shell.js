// zel.shell: other programs, files and addresses.
import { fn, section } from '../lib/demo.js';
import { state } from '../lib/state.js';

export const title = 'Shell';

const windows = /Win/.test(navigator.platform);

export function render() {
  return section('Shell', 'Opens files and addresses with their applications, runs commands, lists windows.',
    fn({ name: 'shell.command', args: { command: windows ? 'cmd /c ver' : 'uname -a', workingDir: '', showWindow: false },
      call: (a) => zel.shell.command(a), note: 'Resolves with the whole output of the command.' }),
    fn({ name: 'shell.execute', args: { filePath: 'https://example.org/', arguments: '' },
      call: (a) => zel.shell.execute(a), note: 'A document or address opens with its default application; only real programs are started.' }),
    fn({ name: 'shell.explore', args: () => ({ filePath: state.tempDir }), call: (a) => zel.shell.explore(a) }),
    fn({ name: 'shell.windows', call: () => zel.shell.windows(), note: 'Captions of the desktop\'s windows, front to back.' }));
}
