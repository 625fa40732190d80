// What every page may need to know, filled in at start.
export const state = {
  runtime: false,     // packaged executable (true) or `zel dev` (false)
  tempDir: '',        // ends with a separator
  dirty: false,       // the editor holds unsaved text
};

// Page events (menus, tray, notifications, close) as they arrive.
const listeners = new Set();
export const events = [];

export function logEvent(text) {
  events.unshift(`${new Date().toLocaleTimeString()}  ${text}`);
  events.length = Math.min(events.length, 50);
  for (const listener of listeners) listener();
}

export function onEventsChanged(listener) {
  listeners.add(listener);
  return () => listeners.delete(listener);
}
