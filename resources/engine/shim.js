// window.chrome.webview for every frame. Evaluated by the engine's web process
// extension before any other script of the document; it receives the native
// function that carries a message (JSON text) to the host and returns the
// function that delivers the host's messages to this document.
(function (post) {
  'use strict';
  if (window.chrome && window.chrome.webview) return undefined;
  const stringify = JSON.stringify;
  const parse = JSON.parse;
  const dispatchEvent = EventTarget.prototype.dispatchEvent;
  const Message = MessageEvent;
  const webview = new EventTarget();
  Object.defineProperty(webview, 'postMessage', {
    enumerable: true,
    value: function postMessage(message) {
      if (arguments.length === 0) throw new TypeError('postMessage requires a message');
      const json = stringify(message);
      post(json === undefined ? 'null' : json);
    },
  });
  if (typeof window.chrome !== 'object' || window.chrome === null) window.chrome = {};
  Object.defineProperty(window.chrome, 'webview', { value: webview, enumerable: true });
  return function dispatch(json) {
    dispatchEvent.call(webview, new Message('message', { data: parse(json) }));
  };
})
