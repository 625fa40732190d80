// The menu bar and the tray icon of the packaged application (they need the
// runtime: `zel dev` shows a message for each call instead). Hiding to the
// tray and restoring from its menu or icon is the usual desktop flow.
export const mainItems = [
  { caption: '&Notes', id: 'notes', items: [
    { caption: '&New note', id: 1 },
    { caption: '&Clear all notes', id: 2 },
    { caption: '-', id: 0 },
    { caption: 'E&xit', id: 3 },
  ] },
  { caption: '&Window', id: 'window', items: [
    { caption: '&Hide to the tray', id: 4 },
    { caption: '&Maximize', id: 5 },
    { caption: '&Restore', id: 6 },
  ] },
];

export const trayItems = [
  { caption: '&Show zel Showcase', id: 10 },
  { caption: 'Add a &quick note', id: 11 },
  { caption: '-', id: 0 },
  { caption: 'E&xit', id: 12 },
];

export async function setUpMenus({ addNote, clearNotes, focusNote, logEvent }) {
  const actions = {
    1: focusNote,
    2: clearNotes,
    3: () => zel.app.close(),
    4: () => zel.window.setState({ state: 'minimized' }),
    5: () => zel.window.setState({ state: 'maximized' }),
    6: () => zel.window.setState({ state: 'normal' }),
    10: () => zel.window.setState({ state: 'normal' }),
    11: () => addNote(`Quick note, ${new Date().toLocaleTimeString()}`),
    12: () => zel.app.close(),
  };
  // Menu events carry the item's id as text.
  zel.events.onMainMenuItemClick = (id) => { logEvent(`menu item ${id}`); actions[id]?.(); };
  zel.events.onTrayMenuItemClick = (id) => { logEvent(`tray item ${id}`); actions[id]?.(); };
  zel.events.onTrayIconClick = () => { logEvent('tray icon'); zel.window.setState({ state: 'normal' }); };

  await zel.mainMenu.setItems({ items: JSON.stringify(mainItems) });
  await zel.trayMenu.setItems({ items: JSON.stringify(trayItems) });
  await zel.trayMenu.showIcon();
}
