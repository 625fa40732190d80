// Shows TITLE, what isRuntime answered and a number that changes on every
// load; TITLE "gate" makes a call that needs the packaged runtime, and
// "close" closes the application.
(async () => {
  const load = Math.floor(performance.timeOrigin % 1000000);
  const runtime = await zel.isRuntime();
  document.title = `${window.TITLE} runtime=${runtime} load=${load}`;
  if (window.TITLE === "gate") {
    zel.window.getSize().then(() => { document.title = "replied"; }, () => { document.title = "rejected"; });
  } else if (window.TITLE === "close") {
    zel.app.close();
  }
})();
