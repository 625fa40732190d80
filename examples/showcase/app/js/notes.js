// Notes kept in local storage.
const KEY = 'showcase.notes';

export function loadNotes() {
  try { return JSON.parse(localStorage.getItem(KEY)) ?? []; } catch { return []; }
}

export function saveNotes(notes) {
  localStorage.setItem(KEY, JSON.stringify(notes));
}
