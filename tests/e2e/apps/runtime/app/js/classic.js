window.classicValue = "classic";
