import { setUpMenus } from './menus.js';
import { loadNotes, saveNotes } from './notes.js';

const $ = (id) => document.getElementById(id);

async function showRuntime() {
  if (!window.zel) {
    $('runtime-badge').textContent = 'browser preview';
    return;
  }
  $('version').textContent = await zel.hello();
  const runtime = await zel.isRuntime();
  $('is-runtime').textContent = runtime ? 'yes' : 'no (preview)';
  $('runtime-badge').textContent = runtime ? 'packaged' : 'preview';
  if (runtime) {
    await setUpMenus({
      addNote: (text) => { saveNotes([...loadNotes(), text]); renderNotes(); },
      clearNotes: () => { saveNotes([]); renderNotes(); },
      focusNote: () => $('note-text').focus(),
    });
  }
}

async function showPackageData() {
  const response = await fetch('data/features.json?v=1');
  const data = await response.json();
  $('package-data').textContent = `${data.families.length} bridge families`;
}

function renderNotes() {
  const list = $('notes');
  list.replaceChildren(...loadNotes().map((text) => {
    const item = document.createElement('li');
    item.textContent = text;
    return item;
  }));
}

$('note-form').addEventListener('submit', (event) => {
  event.preventDefault();
  const text = $('note-text').value.trim();
  if (!text) return;
  saveNotes([...loadNotes(), text]);
  $('note-text').value = '';
  renderNotes();
});

$('close-app').addEventListener('click', () => window.zel?.app.close());

renderNotes();
showRuntime().catch((error) => { $('runtime-badge').textContent = `bridge error: ${error}`; });
showPackageData().catch(() => { $('package-data').textContent = 'not available'; });
