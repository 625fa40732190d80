// The showcase: one page per group of bridge functions, chosen by the
// address's fragment (#/files), in one document so that the menus, the tray
// and the close question keep working whichever page is shown.
import { setUpMenus } from './menus.js';
import { loadNotes, saveNotes } from './notes.js';
import { el, settle } from './lib/demo.js';
import { logEvent, state } from './lib/state.js';

export const PAGES = ['home', 'window', 'dialogs', 'files', 'editor', 'shell', 'registry', 'system', 'menus', 'themes'];

// Every error of a page script, for people and for the tests.
window.showcaseErrors = [];
const recordError = (text) => { window.showcaseErrors.push(String(text)); console.error(text); };
window.addEventListener('error', (event) => recordError(event.message));
window.addEventListener('unhandledrejection', (event) => recordError(event.reason));

const $ = (id) => document.getElementById(id);
const modules = {};

async function show(name) {
  if (!PAGES.includes(name)) name = 'home';
  modules[name] ??= await import(`./pages/${name}.js`);
  for (const link of document.querySelectorAll('nav a')) link.classList.toggle('current', link.dataset.page === name);
  try {
    $('page').replaceChildren(modules[name].render());
    $('page').dataset.page = name;
  } catch (error) {
    recordError(`${name}: ${error.message}`);
    $('page').replaceChildren(el('p', { class: 'rejected' }, `This page failed: ${error.message}`));
  }
}

const pageOfHash = () => location.hash.replace(/^#\/?/, '');

function buildNav() {
  $('nav').replaceChildren(...PAGES.map((name) =>
    el('a', { href: `#/${name}`, 'data-page': name }, name === 'home' ? 'Home' : name)));
  // Names shown once the modules are there (each page module names itself).
  Promise.all(PAGES.map(async (name) => {
    modules[name] ??= await import(`./pages/${name}.js`);
    document.querySelector(`nav a[data-page="${name}"]`).textContent = modules[name].title;
  })).catch(recordError);
}

// Asked on every attempt to close the window: unsaved text gets a question.
function closeQuestion() {
  logEvent('close question');
  if (!state.dirty) { zel.app.close(); return; }
  const dialog = $('close-dialog');
  if (!dialog.open) dialog.showModal();
}

async function start() {
  buildNav();
  if (!window.zel) {
    $('runtime-badge').textContent = 'browser preview';
  } else {
    state.runtime = await zel.isRuntime();
    $('runtime-badge').textContent = state.runtime ? 'packaged' : 'zel dev';
    const temp = await settle(zel.folders.getTempDir());
    state.tempDir = temp.kind === 'reply' ? temp.value : '/tmp/';
    zel.events.onCloseQuery = closeQuestion;
    zel.events.onNotificationClick = (name) => logEvent(`notification "${name}" clicked`);
    $('close-anyway').addEventListener('click', () => zel.app.close());
    if (state.runtime) {
      setUpMenus({
        addNote: (text) => saveNotes([...loadNotes(), text]),
        clearNotes: () => saveNotes([]),
        focusNote: () => { location.hash = '#/home'; setTimeout(() => $('note-text')?.focus(), 50); },
        logEvent,
      }).catch((error) => logEvent(`menus: ${error}`));
    }
  }
  window.addEventListener('hashchange', () => show(pageOfHash()));
  if (pageOfHash() === 'tour') await tour();
  else await show(pageOfHash());
}

// Shows every page in turn and reports in the title whether any script
// failed: a check that needs no driver (used under `zel dev` by the tests).
async function tour() {
  for (const name of PAGES) {
    await show(name);
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
  document.title = `tour done: ${window.showcaseErrors.length} errors ${window.showcaseErrors.join(' | ')}`.trim();
}

start().catch((error) => { recordError(error); $('runtime-badge').textContent = `bridge error: ${error}`; });
