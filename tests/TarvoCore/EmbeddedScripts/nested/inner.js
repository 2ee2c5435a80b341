window.inner = true;
