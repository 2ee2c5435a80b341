// Where the WhatsApp Web page stands: one JSON text with its state. A page evicted by a session
// elsewhere is taken back with one press, since the session is still this computer's.
(() => {
  const first = (selectors) => {
    for (const selector of selectors) {
      const found = document.querySelector(selector);
      if (found) return found;
    }
    return null;
  };
  const linkScreen = first(['[data-ref]', 'canvas[aria-label*="scan" i]', 'div[data-testid="qrcode"]']);
  const chatList = first(['#pane-side', 'div[data-testid="chat-list"]', '[aria-label="Chat list"]']);
  if (chatList) return JSON.stringify({ state: 'linked' });
  if (linkScreen) return JSON.stringify({ state: 'needsLink' });

  const text = document.body ? document.body.innerText || '' : '';
  const shown = () => ({ title: document.title, sample: text.slice(0, 200) });
  if (document.querySelector('[data-testid="wa-web-loading-screen"]') || /messages are downloading/i.test(text)) {
    return JSON.stringify({ state: 'syncing' });
  }
  if (/open in another window|open on another|use here|keep me signed in/i.test(text)) {
    const buttons = document.querySelectorAll('button, div[role="button"], a[role="button"]');
    const takeBack = Array.from(buttons).find((b) => /use here|continue here|reconnect/i.test(b.innerText || ''));
    if (takeBack) {
      takeBack.click();
      return JSON.stringify({ state: 'syncing', reclaimed: true });
    }
    return JSON.stringify({ state: 'evicted', ...shown() });
  }
  return JSON.stringify({ state: 'unrecognised', ...shown() });
})()
