// A card per bridge function: its arguments as editable JSON, a button that
// calls it, and the reply (or the rejection) as the host gave it.
import { state } from './state.js';

const NO_REPLY_AFTER_MS = 5000;

export function el(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (name === 'class') node.className = value;
    else if (name.startsWith('on')) node.addEventListener(name.slice(2), value);
    else node.setAttribute(name, value);
  }
  node.append(...children.filter((child) => child !== null && child !== undefined));
  return node;
}

export function section(title, text, ...cards) {
  return el('section', { class: 'group' }, el('h2', {}, title), text ? el('p', {}, text) : null,
    el('div', { class: 'cards' }, ...cards));
}

// Settles with { kind: 'reply' | 'rejected' | 'silent', value }. Functions
// that never answer (close, fullscreen, setBorder) and calls a runtime does
// not know end as 'silent' after a while instead of waiting for ever.
export function settle(promise, waitMs = NO_REPLY_AFTER_MS) {
  return new Promise((resolve) => {
    const timer = setTimeout(() => resolve({ kind: 'silent' }), waitMs);
    promise.then(
      (value) => { clearTimeout(timer); resolve({ kind: 'reply', value }); },
      (value) => { clearTimeout(timer); resolve({ kind: 'rejected', value }); });
  });
}

function describe(outcome, spec) {
  if (outcome.kind === 'reply') return `→ ${JSON.stringify(outcome.value, null, 1)}`;
  if (outcome.kind === 'rejected') return `✗ rejected: ${outcome.value}`;
  if (spec.noReply) return '✓ sent (this function gives no reply)';
  if (spec.runtimeOnly && !state.runtime) return '… no reply: runtime only, see the preview message';
  return '… no reply after 5 s: this runtime does not answer it (not built on this system yet)';
}

// spec: { name, args?, call(args), runtimeOnly?, noReply?, confirm?, note? }
// `args` may be a function returning the arguments (filled in when shown).
export function fn(spec) {
  const output = el('pre', { class: 'reply', 'data-function': spec.name }, '');
  const hasArgs = spec.args !== undefined;
  const editor = hasArgs ? el('textarea', { class: 'args', rows: '3', spellcheck: 'false' }) : null;
  if (hasArgs) {
    const initial = typeof spec.args === 'function' ? spec.args() : spec.args;
    Promise.resolve(initial).then((value) => { editor.value = JSON.stringify(value, null, 1); });
  }
  const button = el('button', { class: 'run', 'data-function': spec.name }, 'Call');
  const guard = spec.confirm ? el('input', { type: 'checkbox', title: 'Tick to allow this call' }) : null;
  button.addEventListener('click', async () => {
    if (guard && !guard.checked) {
      output.textContent = `Tick the box first: ${spec.confirm}`;
      return;
    }
    if (!window.zel) {
      output.textContent = '✗ no bridge: open this page in zel';
      return;
    }
    let args;
    try {
      args = hasArgs ? JSON.parse(editor.value || '{}') : undefined;
    } catch (error) {
      output.textContent = `✗ the arguments are not JSON: ${error.message}`;
      return;
    }
    output.textContent = '…';
    output.className = 'reply';
    const outcome = await settle(Promise.resolve().then(() => spec.call(args)));
    output.className = `reply ${outcome.kind}`;
    output.textContent = describe(outcome, spec);
  });
  const tags = [spec.runtimeOnly ? el('span', { class: 'tag' }, 'runtime only') : null,
    spec.noReply ? el('span', { class: 'tag' }, 'no reply') : null];
  return el('div', { class: 'card fn' },
    el('h3', {}, el('code', {}, `zel.${spec.name}()`), ...tags),
    spec.note ? el('p', { class: 'note' }, spec.note) : null,
    editor,
    el('div', { class: 'actions' }, button, guard ? el('label', {}, guard, ' I mean it') : null),
    output);
}
