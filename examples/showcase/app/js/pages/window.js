// zel.app and zel.window: the application and its window.
import { fn, section } from '../lib/demo.js';

export const title = 'App & window';

export function render() {
  return section('App & window', 'The application and its one window. Functions marked "no reply" never settle their promise.',
    fn({ name: 'hello', call: () => zel.hello() }),
    fn({ name: 'isRuntime', call: () => zel.isRuntime() }),
    fn({ name: 'app.getArgs', runtimeOnly: true, call: () => zel.app.getArgs() }),
    fn({ name: 'app.inFullscreen', call: () => zel.app.inFullscreen() }),
    fn({ name: 'app.enterFullscreen', runtimeOnly: true, noReply: true, call: () => zel.app.enterFullscreen(),
      note: 'Leave with the next card, or F11 is not bound: call exitFullscreen.' }),
    fn({ name: 'app.exitFullscreen', runtimeOnly: true, noReply: true, call: () => zel.app.exitFullscreen() }),
    fn({ name: 'app.navigate', args: { url: new URL('index.html#/window', location.href).href },
      call: (a) => zel.app.navigate(a), note: 'Loads an address in this window; the page starts again.' }),
    fn({ name: 'app.close', noReply: true, confirm: 'the application ends (after the close question).',
      call: () => zel.app.close() }),
    fn({ name: 'window.getTitle', call: () => zel.window.getTitle() }),
    fn({ name: 'window.setTitle', runtimeOnly: true, args: { title: 'zel Showcase: a new title' }, call: (a) => zel.window.setTitle(a) }),
    fn({ name: 'window.getStyle', call: () => zel.window.getStyle() }),
    fn({ name: 'window.setStyle', runtimeOnly: true, args: { style: 'ontop' }, call: (a) => zel.window.setStyle(a),
      note: '"ontop" keeps the window above others, "normal" undoes it.' }),
    fn({ name: 'window.getState', runtimeOnly: true, call: () => zel.window.getState() }),
    fn({ name: 'window.setState', runtimeOnly: true, args: { state: 'maximized' }, call: (a) => zel.window.setState(a),
      note: '"normal", "minimized" or "maximized".' }),
    fn({ name: 'window.getZoom', call: () => zel.window.getZoom() }),
    fn({ name: 'window.setZoom', args: { factor: 1.25 }, call: (a) => zel.window.setZoom(a),
      note: 'A factor that is not a number answers false and resets the zoom to 1.' }),
    fn({ name: 'window.getSize', runtimeOnly: true, call: () => zel.window.getSize() }),
    fn({ name: 'window.setSize', runtimeOnly: true, args: { width: 1024, height: 720 }, call: (a) => zel.window.setSize(a),
      note: 'Missing keys keep their value: top, left, width, height.' }),
    fn({ name: 'window.getBorder', runtimeOnly: true, call: () => zel.window.getBorder() }),
    fn({ name: 'window.setBorder', runtimeOnly: true, noReply: true, args: { border: 'sizeable' }, call: (a) => zel.window.setBorder(a),
      note: '"none", "single", "sizeable", "dialog", "toolwindow" or "sizetoolwindow".' }));
}
