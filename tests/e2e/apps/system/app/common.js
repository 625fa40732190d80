// Settles a call as {ok: value} or {err: message}.
async function settle(promise) {
  try { return { ok: await promise }; } catch (error) { return { err: String(error) }; }
}
function report(prefix, value) {
  document.title = prefix + ' ' + JSON.stringify(value);
}
