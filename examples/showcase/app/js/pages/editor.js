// A realistic flow: open a text file, edit it, save it. The runtime replaces
// the file atomically (a crash never leaves half a file), and closing the
// window with unsaved text asks first (see the close question in app.js).
import { el, settle } from '../lib/demo.js';
import { state } from '../lib/state.js';

export const title = 'Editor';

let current = { path: '', text: '' };

function fileUrl(path) {
  return 'file://' + path.split('/').map(encodeURIComponent).join('/');
}

export function render() {
  const status = el('p', { class: 'status', id: 'editor-status' }, current.path || 'No file open.');
  const area = el('textarea', { class: 'editor', id: 'editor-text', spellcheck: 'false' });
  area.value = current.text;
  area.addEventListener('input', () => { current.text = area.value; state.dirty = true; show(); });
  const show = (message) => {
    status.textContent = message ?? `${current.path || 'Untitled'}${state.dirty ? ' (modified)' : ''}`;
  };

  async function open() {
    const chosen = await settle(zel.dialogs.openFile({ title: 'Open a text file', fileTypes: 'Text files|*.txt;All files|*.*' }), 600000);
    if (chosen.kind !== 'reply' || !chosen.value) return;
    try {
      // Application pages may read the user's files by their file: address.
      const response = await fetch(fileUrl(chosen.value));
      if (!response.ok) throw new Error(`status ${response.status}`);
      current = { path: chosen.value, text: (await response.text()).replace(/^\uFEFF/, '') };
      area.value = current.text;
      state.dirty = false;
      show();
    } catch (error) {
      show(`Cannot read ${chosen.value}: ${error.message}`);
    }
  }

  async function save(askForName) {
    let path = current.path;
    if (askForName || !path) {
      const chosen = await settle(zel.dialogs.saveFile({ title: 'Save as', fileName: path || 'untitled.txt', overwritePrompt: true }), 600000);
      if (chosen.kind !== 'reply' || !chosen.value) return;
      path = chosen.value;
    }
    const written = await settle(zel.files.writeTextFile({ filePath: path, contents: area.value }));
    if (written.kind !== 'reply') {
      show(`Not saved: ${written.kind === 'rejected' ? written.value : 'no reply'}`);
      return;
    }
    current.path = path;
    state.dirty = false;
    show(`Saved ${path}`);
  }

  return el('section', { class: 'group' }, el('h2', {}, 'Editor'),
    el('p', {}, 'Open a file, edit it, save it: the file is replaced atomically.'),
    el('div', { class: 'actions' },
      el('button', { id: 'editor-open', onclick: open }, 'Open…'),
      el('button', { id: 'editor-save', onclick: () => save(false) }, 'Save'),
      el('button', { id: 'editor-save-as', onclick: () => save(true) }, 'Save as…')),
    status, area);
}
