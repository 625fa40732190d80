// Points the media elements of the application's pages at the engine's
// loopback media server: WebKit's media player cannot read the engine's own
// scheme. Covers parsed markup, elements added or changed later, `src` set
// from script and `new Audio(src)`.
(() => {
  'use strict';
  const base = '__ZEL_MEDIA_BASE__';
  if (location.protocol !== 'zel:' && self.origin !== 'zel://') return;

  // The server address for a media source of the application, or null.
  const serverUrl = (value) => {
    let url;
    try {
      url = new URL(String(value), document.baseURI);
    } catch (e) {
      return null;
    }
    if ((url.protocol !== 'zel:' && url.protocol !== 'file:') || url.host !== '') return null;
    return base + url.pathname + url.search + url.hash;
  };
  const isMedia = (node) => node instanceof HTMLMediaElement || node instanceof HTMLSourceElement;

  const setAttribute = Element.prototype.setAttribute;
  const getAttribute = Element.prototype.getAttribute;
  const fix = (element) => {
    const value = getAttribute.call(element, 'src');
    if (value === null) return;
    const mapped = serverUrl(value);
    if (mapped !== null) setAttribute.call(element, 'src', mapped);
  };
  const fixTree = (node) => {
    if (node.nodeType !== Node.ELEMENT_NODE) return;
    if (isMedia(node)) fix(node);
    if (node.firstElementChild) node.querySelectorAll('video, audio, source').forEach(fix);
  };

  for (const proto of [HTMLMediaElement.prototype, HTMLSourceElement.prototype]) {
    const descriptor = Object.getOwnPropertyDescriptor(proto, 'src');
    if (!descriptor || !descriptor.set) continue;
    Object.defineProperty(proto, 'src', {
      configurable: true,
      enumerable: descriptor.enumerable,
      get: descriptor.get,
      set(value) {
        const mapped = serverUrl(value);
        descriptor.set.call(this, mapped === null ? value : mapped);
      },
    });
  }

  Element.prototype.setAttribute = function (name, value) {
    if (isMedia(this) && String(name).toLowerCase() === 'src') {
      const mapped = serverUrl(value);
      if (mapped !== null) value = mapped;
    }
    return setAttribute.call(this, name, value);
  };

  const NativeAudio = window.Audio;
  const Audio = function Audio(src) {
    if (!new.target) throw new TypeError("Constructor Audio requires 'new'");
    if (arguments.length === 0 || src === undefined) return new NativeAudio();
    const mapped = serverUrl(src);
    return new NativeAudio(mapped === null ? src : mapped);
  };
  Audio.prototype = NativeAudio.prototype;
  Object.defineProperty(window, 'Audio', { value: Audio, writable: true, configurable: true });

  new MutationObserver((records) => {
    for (const record of records) {
      if (record.type === 'attributes') {
        if (isMedia(record.target)) fix(record.target);
      } else {
        record.addedNodes.forEach(fixTree);
      }
    }
  }).observe(document, { childList: true, subtree: true, attributes: true, attributeFilter: ['src'] });
})();
