// window.chrome.webview for every frame. Evaluated by the engine's web process
// extension before any other script of the document; it receives the native
// functions that carry a message (JSON text) to the host and returns the
// function that delivers the host's messages to this document.
//
// `post(json)` carries a message at once. A message holding long strings
// (a file's contents) goes through `postPart(kind, text)` instead, in pieces
// over several tasks, so that the page's timers and painting go on while it
// travels: kind 0 starts it with JSON text, 1 adds JSON text, 2 adds a piece
// of a string's characters (escaped by the native side as stringify would),
// 3 sends it. Messages leave in the order they were posted.
(function (post, postPart) {
  'use strict';
  if (window.chrome && window.chrome.webview) return undefined;
  const stringify = JSON.stringify;
  const parse = JSON.parse;
  const dispatchEvent = EventTarget.prototype.dispatchEvent;
  const Message = MessageEvent;
  const call = Function.prototype.call;
  const bind = (f) => call.bind(f);
  const slice = bind(String.prototype.slice);
  const indexOf = bind(String.prototype.indexOf);
  const charCodeAt = bind(String.prototype.charCodeAt);
  const isWellFormed = String.prototype.isWellFormed ? bind(String.prototype.isWellFormed) : null;
  const push = bind(Array.prototype.push);
  const shift = bind(Array.prototype.shift);
  const Channel = MessageChannel;
  const setOnMessage = bind(Object.getOwnPropertyDescriptor(MessagePort.prototype, 'onmessage').set);
  const portPost = bind(MessagePort.prototype.postMessage);
  const randomValues = bind(Crypto.prototype.getRandomValues);
  const cryptoObject = crypto;
  const min = Math.min;

  // Strings from this length on travel in pieces of PieceLength characters.
  const LongLength = 1 << 20;
  const PieceLength = 1 << 22;
  // Marks the place of a long string in a message's JSON text; the page
  // cannot know it, so none of its own strings can pass for one.
  let token = '';
  const waiting = [];  // messages behind one that is travelling
  let sending = false;
  let resume = null;
  let channel = null;

  // Runs `next` in a task of its own, without the delay of a timer.
  const later = (next) => {
    if (!channel) {
      channel = new Channel();
      setOnMessage(channel.port1, () => { const f = resume; resume = null; f(); });
    }
    resume = next;
    portPost(channel.port2, null);
  };

  const send = () => {
    const message = shift(waiting);
    if (!message) { sending = false; return; }
    sending = true;
    const json = message[0];
    const strings = message[1];
    if (strings.length === 0) { post(json); later(send); return; }
    // Steps: JSON text up to each long string's opening quote, the string's
    // characters in pieces, JSON text again from its closing quote.
    const steps = [];
    let rest = json;
    for (let i = 0; i < strings.length; i++) {
      const mark = '"' + token + (i + 1) + '"';
      const at = indexOf(rest, mark);
      push(steps, [1, slice(rest, 0, at + 1)]);
      const text = strings[i];
      for (let start = 0; start < text.length;) {
        let end = min(start + PieceLength, text.length);
        // A surrogate pair stays in one piece.
        const last = charCodeAt(text, end - 1);
        if (end < text.length && last >= 0xd800 && last <= 0xdbff) end--;
        push(steps, [2, slice(text, start, end)]);
        start = end;
      }
      rest = slice(rest, at + mark.length - 1);
    }
    push(steps, [1, rest]);
    steps[0][0] = 0;
    push(steps, [3, '']);
    let index = 0;
    const step = () => {
      postPart(steps[index][0], steps[index][1]);
      steps[index] = null;
      if (++index < steps.length) later(step);
      else later(send);
    };
    step();
  };

  const webview = new EventTarget();
  Object.defineProperty(webview, 'postMessage', {
    enumerable: true,
    value: function postMessage(message) {
      if (arguments.length === 0) throw new TypeError('postMessage requires a message');
      const strings = [];
      const json = stringify(message, isWellFormed ? function (key, value) {
        // Only well-formed text: stringify escapes lone surrogates, pieces could not.
        if (typeof value !== 'string' || value.length < LongLength || !isWellFormed(value)) return value;
        if (!token) {
          const bytes = randomValues(cryptoObject, new Uint32Array(4));
          token = 'zel-long-' + bytes[0].toString(16) + bytes[1].toString(16) + bytes[2].toString(16) + bytes[3].toString(16) + '-';
        }
        push(strings, value);
        return token + strings.length;
      } : undefined);
      const text = json === undefined ? 'null' : json;
      if (strings.length === 0 && !sending) {
        post(text);
        return;
      }
      push(waiting, [text, strings]);
      if (!sending) send();
    },
  });
  if (typeof window.chrome !== 'object' || window.chrome === null) window.chrome = {};
  Object.defineProperty(window.chrome, 'webview', { value: webview, enumerable: true });
  return function dispatch(json) {
    dispatchEvent.call(webview, new Message('message', { data: parse(json) }));
  };
})
