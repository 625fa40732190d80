// zel.themes: the look of what the host draws (title bar, menus, message boxes).
import { el, fn, section, settle } from '../lib/demo.js';
import { state } from '../lib/state.js';

export const title = 'Themes';

export function render() {
  const picker = el('div', { class: 'theme-list', id: 'theme-list' },
    state.runtime ? 'Asking for the themes…' : 'The theme list needs the packaged runtime.');
  if (state.runtime) {
    settle(zel.themes.getThemes()).then((outcome) => {
      if (outcome.kind !== 'reply') {
        picker.textContent = 'This runtime does not answer getThemes: themes are not built on this system yet.';
        return;
      }
      picker.replaceChildren(...outcome.value.map((name) =>
        el('button', { class: 'theme', onclick: () => zel.themes.setTheme({ name }) }, name)));
    });
  }
  return section('Themes', 'The page itself never changes: only what the host draws around it.',
    fn({ name: 'themes.getTheme', runtimeOnly: true, call: () => zel.themes.getTheme() }),
    fn({ name: 'themes.getThemes', runtimeOnly: true, call: () => zel.themes.getThemes() }),
    fn({ name: 'themes.setTheme', runtimeOnly: true, args: { name: 'Windows' }, call: (a) => zel.themes.setTheme(a),
      note: 'true when the active theme then bears exactly this name.' }),
    el('div', { class: 'card wide' }, el('h3', {}, 'Every theme'), picker));
}
