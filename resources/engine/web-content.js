// Evaluated by the engine's web process extension in every document that is
// not the application's own, before any of the document's scripts: such a
// document cannot open windows. The runtime would show the page it chose as
// a page of the application (the engine shows no windows of its own).
(function () {
  'use strict';
  const apply = Reflect.apply;
  const defineProperty = Object.defineProperty;
  const getOwnPropertyDescriptor = Object.getOwnPropertyDescriptor;
  const getPrototypeOf = Object.getPrototypeOf;

  // Replaces `name` wherever an object of the chain from `start` defines it.
  const replace = (start, name, make) => {
    for (let object = start; object; object = getPrototypeOf(object)) {
      const descriptor = getOwnPropertyDescriptor(object, name);
      if (!descriptor || typeof descriptor.value !== 'function') continue;
      defineProperty(object, name, {
        value: make(descriptor.value),
        writable: false,
        enumerable: descriptor.enumerable,
        configurable: false,
      });
    }
  };

  replace(window, 'open', () => function open() { return null; });
  // document.open(url, name, features) opens a window too; with fewer
  // arguments it opens the document for writing.
  replace(document, 'open', (original) => function open() {
    return arguments.length >= 3 ? null : apply(original, this, arguments);
  });
})
