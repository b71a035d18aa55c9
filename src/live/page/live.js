// Shows the race as it arrives; reconnects after a lost connection.
(function () {
  const key = new URLSearchParams(location.search).get("key") || "";
  const out = document.getElementById("race");
  function connect() {
    const ws = new WebSocket(`ws://${location.host}/ws?key=${encodeURIComponent(key)}`);
    ws.onmessage = (e) => { out.textContent = JSON.stringify(JSON.parse(e.data), null, 2); };
    ws.onclose = () => setTimeout(connect, 2000);
  }
  connect();
})();
