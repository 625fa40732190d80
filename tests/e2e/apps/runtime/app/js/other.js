window.otherValue = "other";
