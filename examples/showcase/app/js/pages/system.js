// zel.system: the session, the machine and notifications.
import { fn, section } from '../lib/demo.js';

export const title = 'System';

export function render() {
  return section('System and notifications', 'A click on a notification reaches zel.events.onNotificationClick (see Home).',
    fn({ name: 'system.notification', args: { name: 'hello', title: 'zel Showcase', body: 'Click me: the page hears it.' },
      call: (a) => zel.system.notification(a), note: 'false when the desktop has no notification service; the same name replaces the last one.' }),
    fn({ name: 'system.macAddresses', call: () => zel.system.macAddresses(), note: 'Entries "E,aa:bb:…": E Ethernet, W wireless, U other.' }),
    fn({ name: 'system.logoff', runtimeOnly: true, confirm: 'your session ends now.', call: () => zel.system.logoff() }),
    fn({ name: 'system.reboot', runtimeOnly: true, confirm: 'the computer restarts now.', call: () => zel.system.reboot() }),
    fn({ name: 'system.shutdown', runtimeOnly: true, confirm: 'the computer shuts down now.', call: () => zel.system.shutdown() }));
}
