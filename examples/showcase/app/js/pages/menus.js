// zel.mainMenu and zel.trayMenu: the menu bar, the tray icon and its menu.
// The application's own menus are set up at start (js/menus.js); these cards
// change them. Clicks arrive as page events (see Home).
import { fn, section } from '../lib/demo.js';
import { mainItems, trayItems } from '../menus.js';

export const title = 'Menus & tray';

export function render() {
  return section('Menus and tray', '`items` is the JSON text of an item array; every item has a caption and an id, "-" is a separator.',
    fn({ name: 'mainMenu.setItems', runtimeOnly: true, args: { items: JSON.stringify(mainItems) },
      call: (a) => zel.mainMenu.setItems(a) }),
    fn({ name: 'mainMenu.updateItem', runtimeOnly: true, args: { id: 2, caption: '&Clear all notes (updated)', enabled: false },
      call: (a) => zel.mainMenu.updateItem(a), note: 'Missing keys keep their value; "image" takes a package entry or a file.' }),
    fn({ name: 'trayMenu.showIcon', runtimeOnly: true, call: () => zel.trayMenu.showIcon() }),
    fn({ name: 'trayMenu.hideIcon', runtimeOnly: true, call: () => zel.trayMenu.hideIcon() }),
    fn({ name: 'trayMenu.setItems', runtimeOnly: true, args: { items: JSON.stringify(trayItems) },
      call: (a) => zel.trayMenu.setItems(a) }),
    fn({ name: 'trayMenu.updateItem', runtimeOnly: true, args: { id: 11, caption: 'Add a &quick note now' },
      call: (a) => zel.trayMenu.updateItem(a) }));
}
