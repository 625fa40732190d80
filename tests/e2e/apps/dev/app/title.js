window.TITLE = "one";
