// The start page: what runs this page, notes kept in local storage, and the
// page events as they arrive.
import { el } from '../lib/demo.js';
import { events, onEventsChanged, state } from '../lib/state.js';
import { loadNotes, saveNotes } from '../notes.js';

export const title = 'Home';

export function render() {
  const version = el('dd', { id: 'version' }, '–');
  const runtime = el('dd', { id: 'is-runtime' }, state.runtime ? 'yes' : 'no (preview)');
  const data = el('dd', { id: 'package-data' }, '–');
  if (window.zel) zel.hello().then((text) => { version.textContent = text; });
  fetch('data/features.json?v=1').then((response) => response.json())
    .then((features) => { data.textContent = `${features.families.length} bridge families`; })
    .catch(() => { data.textContent = 'not available'; });

  const list = el('ul', { id: 'notes' });
  const renderNotes = () => list.replaceChildren(...loadNotes().map((text) => el('li', {}, text)));
  const input = el('input', { id: 'note-text', placeholder: 'Write a note', autocomplete: 'off' });
  const form = el('form', { id: 'note-form' }, input, el('button', {}, 'Add'));
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    const text = input.value.trim();
    if (!text) return;
    saveNotes([...loadNotes(), text]);
    input.value = '';
    renderNotes();
  });
  renderNotes();

  const log = el('pre', { id: 'event-log', class: 'log' });
  const renderLog = () => { log.textContent = events.join('\n') || 'No page event yet: try the menus or the tray.'; };
  renderLog();
  const stop = onEventsChanged(() => { if (!log.isConnected) stop(); else renderLog(); });

  return el('div', { class: 'cards' },
    el('section', { class: 'card' }, el('h2', {}, 'Runtime'),
      el('p', {}, 'This page is served from the package inside the executable (or from the folder under zel dev).'),
      el('dl', {}, el('dt', {}, 'Bridge version'), version, el('dt', {}, 'Packaged runtime'), runtime,
        el('dt', {}, 'Data from the package'), data)),
    el('section', { class: 'card' }, el('h2', {}, 'Notes'),
      el('p', {}, "Kept in the page's local storage, which survives a restart."), form, list),
    el('section', { class: 'card' }, el('h2', {}, 'Page events'), log));
}
