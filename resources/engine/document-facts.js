// Evaluated by the engine's web process extension in a script world of its
// own, once per document; the page cannot reach or change it. Returns the
// function that reads what the host judges the document by: its security
// origin ("null" for sandboxed and data: documents; location.origin would
// give the address's), the origins of the documents that frame it (nearest
// first, as JSON; one this document may not read is "null"), and whether it
// is an application document: of the engine's scheme, framed only by such.
(function () {
  'use strict';
  const stringify = JSON.stringify;
  return function documentFacts() {
    const ancestors = [];
    try {
      for (let w = self; w !== w.parent; ) {
        w = w.parent;
        let origin = 'null';
        try { origin = String(w.origin); } catch (e) { /* another origin's: unreadable */ }
        ancestors.push(origin);
        if (ancestors.length > 64) break;
      }
    } catch (e) {
      ancestors.push('null');
    }
    const origin = String(self.origin);
    const application = origin === 'zel://' && ancestors.every((a) => a === 'zel://');
    return [origin, stringify(ancestors), application];
  };
})()
