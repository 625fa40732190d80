// zel.registry: settings kept by the system for the user.
import { fn, section } from '../lib/demo.js';

export const title = 'Registry';

const key = 'HKEY_CURRENT_USER\\Software\\zel Showcase';

export function render() {
  const value = { key, name: 'greeting' };
  return section('Registry', 'Values under a key of the user; on Linux they live in a store of the user\'s own.',
    fn({ name: 'registry.writeValue', args: { ...value, value: 'hello' }, call: (a) => zel.registry.writeValue(a) }),
    fn({ name: 'registry.readValue', args: value, call: (a) => zel.registry.readValue(a), note: '"" when there is no such value.' }),
    fn({ name: 'registry.valueExist', args: value, call: (a) => zel.registry.valueExist(a) }),
    fn({ name: 'registry.deleteValue', args: value, call: (a) => zel.registry.deleteValue(a) }),
    fn({ name: 'registry.keyExist', args: { key }, call: (a) => zel.registry.keyExist(a) }),
    fn({ name: 'registry.deleteKey', args: { key }, call: (a) => zel.registry.deleteKey(a) }));
}
