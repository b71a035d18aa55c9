// The live timing page: a read-only view of the race the console times. The console sends the
// race (each car's latest laps) after each (re)connect and then only what changed; this script
// keeps the race, ticks the clocks between messages, draws again only what a message changed
// and fetches a car's older laps when its lap table asks for them.
'use strict';

(function () {
  var RECONNECT_MS = 2000;
  var FUEL_LOW_PERCENT = 20;
  var STINT_COLOURS = ['#1f77b4', '#d62728', '#2ca02c', '#ff7f0e', '#9467bd', '#17becf',
    '#8c564b', '#e377c2'];
  var SVG = 'http://www.w3.org/2000/svg';
  var MAX_CARS = 64;
  var MAX_LAPS = 100000;

  var race = null;          // the race as last received, laps merged
  var receivedAt = 0;       // performance.now() when race.clock arrived
  var openSlot = null;      // slot whose lap table is open
  var socket = null;

  function $(id) { return document.getElementById(id); }

  function el(tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) e.className = cls;
    // Texts come from cars and operators: always text, never markup.
    if (text !== undefined && text !== null) e.textContent = String(text);
    return e;
  }

  function svg(tag, attrs) {
    var e = document.createElementNS(SVG, tag);
    for (var k in attrs) e.setAttribute(k, attrs[k]);
    return e;
  }

  function fullWidthSlot(slot) {
    return String.fromCharCode(0xFF10 + slot) + '号車';
  }

  function pad2(n) { return (n < 10 ? '0' : '') + n; }

  // 3723000 -> "01:02:03"; negative durations show their magnitude.
  function hms(ms) {
    var s = Math.floor(Math.abs(ms) / 1000);
    return pad2(Math.floor(s / 3600)) + ':' + pad2(Math.floor(s / 60) % 60) + ':' + pad2(s % 60);
  }

  // The chart's axis: (85000, 0) -> "1'25", (4150, 1) -> "0'04.2"; digits after the second
  // only where the laps lie that close together.
  function axisLap(ms, digits) {
    var scale = Math.pow(10, digits);
    var t = Math.round(ms / 1000 * scale);
    var sec = Math.floor(t / scale) % 60;
    var frac = digits ? '.' + String(t % scale + scale).slice(1) : '';
    return Math.floor(t / scale / 60) + "'" + pad2(sec) + frac;
  }

  function dash(text) { return text === '' || text === null || text === undefined ? '-' : text; }

  function isNum(v) { return typeof v === 'number' && isFinite(v); }

  // 25400 -> "25.4秒": a stop's length.
  function seconds(ms) { return (Math.round(ms / 100) / 10).toFixed(1) + '秒'; }

  // 25400 -> "0:25", 3725000 -> "1:02:05": the time a car has stood in the pit.
  function standing(ms) {
    var s = Math.floor(Math.max(0, ms) / 1000);
    var m = Math.floor(s / 60);
    return (m >= 60 ? Math.floor(m / 60) + ':' + pad2(m % 60) : m) + ':' + pad2(s % 60);
  }

  function alertClass(alert) { return alert === 'near' || alert === 'passed' ? alert : ''; }

  // ---- the race as data ----

  // A long race is too large to send whole: the console sends each car's latest laps (its
  // window, from "lapsFrom") and the page asks for older ones a page at a time. Each car keeps
  // the laps the page holds as one run without gaps, car.laps[i] being lap car.heldFrom + i,
  // up to the car's lapCount; laps before heldFrom are not held at all.
  var WINDOW_LAPS = 50;
  var PAGE_LAPS = 100;
  var epoch = 0;            // counts whole races: a page asked for before one is thrown away
  var colourMaps = {};      // slot -> Map(driver -> colour), kept while the race is the same

  function emptyLap(n) {
    return {lap: n, ms: null, time: '', driver: '', remarks: '', log: '', end: null,
      corrected: false, edited: false, check: false};
  }

  // The held run of laps grown or cut to end at the car's lapCount. In an update, a count far
  // from what the car holds (cut below it, or many laps on) starts the run again at the car's
  // latest laps.
  function fitLaps(car, update) {
    var last = car.heldFrom + car.laps.length - 1;
    if (update && (car.lapCount < car.heldFrom - 1 || car.lapCount - last > WINDOW_LAPS)) {
      car.heldFrom = Math.max(1, car.lapCount - WINDOW_LAPS + 1);
      car.laps = [];
      last = car.heldFrom - 1;
    }
    if (last > car.lapCount) car.laps.length = Math.max(0, car.lapCount - car.heldFrom + 1);
    for (var n = last + 1; n <= car.lapCount; n++) car.laps.push(emptyLap(n));
  }

  // Puts the laps a message carries in their places; laps outside what the car holds are
  // left out (an edit of a lap the page never fetched). True when any lap was taken.
  function placeLaps(car, laps) {
    var taken = false;
    (laps || []).forEach(function (lap) {
      if (lap && lap.lap >= car.heldFrom && lap.lap <= car.lapCount) {
        car.laps[lap.lap - car.heldFrom] = lap;
        taken = true;
      }
    });
    return taken;
  }

  function takeCar(c) {
    var laps = c.laps;
    c.heldFrom = count(c.lapsFrom) && c.lapsFrom >= 1 ? Math.min(c.lapsFrom, c.lapCount + 1) : 1;
    c.laps = [];
    fitLaps(c);
    placeLaps(c, laps);
    return c;
  }

  function colourMap(slot) {
    if (!colourMaps[slot]) colourMaps[slot] = new Map();
    return colourMaps[slot];
  }

  // Each driver keeps one colour on the chart and in the lap table, by order of first lap
  // seen. A Map: a driver may be called anything, "constructor" and "__proto__" too.
  function addColours(car) {
    var colours = colourMap(car.slot);
    car.laps.forEach(function (lap) {
      if (!colours.has(lap.driver)) {
        colours.set(lap.driver, STINT_COLOURS[colours.size % STINT_COLOURS.length]);
      }
    });
    return colours;
  }

  function takeWhole(r) {
    epoch++;
    colourMaps = {};
    (r.cars || []).forEach(function (c) { addColours(takeCar(c)); });
    return r;
  }

  // An update carries per car only the laps that changed; everything else is whole. Returns
  // the slots whose laps changed.
  function takeUpdate(r, changed) {
    var known = {};
    (race.cars || []).forEach(function (c) { known[c.slot] = c; });
    (r.cars || []).forEach(function (c) {
      var had = known[c.slot];
      if (!had) {
        takeCar(c);
        changed[c.slot] = true;
      } else {
        var laps = c.laps;
        c.heldFrom = had.heldFrom;
        c.laps = had.laps;
        fitLaps(c, true);
        if (placeLaps(c, laps) || c.lapCount !== had.lapCount) changed[c.slot] = true;
      }
      addColours(c);
    });
    return r;
  }

  // Older laps of a car in the held run, from a page of /api/laps: only those just before
  // what the car holds join it, so that the run stays without gaps.
  function takeOlder(car, page) {
    var from = car.heldFrom;
    var older = [];
    (page.laps || []).forEach(function (lap) {
      if (lap && count(lap.lap) && lap.lap >= page.from && lap.lap < from) {
        older[lap.lap - page.from] = lap;
      }
    });
    for (var i = 0; i < from - page.from; i++) {
      if (!older[i]) older[i] = emptyLap(page.from + i);
    }
    car.laps = older.concat(car.laps);
    car.heldFrom = page.from;
    addColours(car);
  }

  function count(n) { return typeof n === 'number' && n % 1 === 0 && n >= 0 && n <= MAX_LAPS; }

  // The console times a few cars for a day at most: a race far beyond that did not come from
  // it, and is left unshown rather than let it take the page down.
  function plausible(r) {
    if (!r || typeof r !== 'object') return false;
    if (r.cars !== undefined && (!Array.isArray(r.cars) || r.cars.length > MAX_CARS)) return false;
    if (r.standings !== undefined &&
        (!Array.isArray(r.standings) || r.standings.length > MAX_CARS)) return false;
    return (r.cars || []).every(function (c) {
      return c && typeof c === 'object' && count(c.slot) && count(c.lapCount) &&
        (c.lapsFrom === undefined || count(c.lapsFrom)) &&
        (c.laps === undefined || lapList(c.laps));
    });
  }

  function lapList(laps) {
    return Array.isArray(laps) && laps.length <= MAX_LAPS &&
      laps.every(function (l) { return l && count(l.lap); });
  }

  // How long each message took to take in and draw, for whoever measures the page: the last
  // one, and a bounded log of the latest.
  var TIMES_KEPT = 4096;
  window.kalteroRenderLog = [];

  function noteTime(type, started) {
    var ms = performance.now() - started;
    window.kalteroRenderMs = ms;
    var log = window.kalteroRenderLog;
    if (log.length >= TIMES_KEPT) log.splice(0, TIMES_KEPT / 2);
    log.push({type: type, ms: ms});
  }

  function apply(msg) {
    var started = performance.now();
    if (typeof msg === 'string') msg = JSON.parse(msg);
    if (msg && msg.type === 'console') {
      applyConsole(msg.console);
      noteTime(msg.type, started);
      return;
    }
    if (!msg || !plausible(msg.race)) return;
    if (msg.type === 'race' || (msg.type === 'update' && !race)) {
      race = takeWhole(msg.race);
      receivedAt = performance.now();
      render();
    } else if (msg.type === 'update') {
      var changed = {};
      race = takeUpdate(msg.race, changed);
      receivedAt = performance.now();
      renderChanges(changed);
    } else {
      return;
    }
    noteTime(msg.type, started);
  }

  // ---- drawing ----

  function renderClocks() {
    if (!race || !race.clock) return;
    var c = race.clock;
    var since = race.timing ? performance.now() - receivedAt : 0;
    $('elapsed').textContent = hms((c.elapsedMs || 0) + since);
    var remain = $('remain');
    if (c.remainingMs === null || c.remainingMs === undefined) {
      remain.textContent = '残り --:--:--';
      remain.classList.remove('over');
    } else {
      var left = c.remainingMs - since;
      remain.textContent = '残り ' + (left < 0 ? '-' : '') + hms(left);
      remain.classList.toggle('over', left < 0);
    }
    document.querySelectorAll('.stintLine[data-running]').forEach(function (b) {
      tickStint(b, since);
    });
    document.querySelectorAll('.inPit').forEach(function (p) { tickInPit(p, since); });
    if (c.start !== null && c.start !== undefined) {
      var d = new Date(c.start);
      $('startTime').textContent = 'Start時間 ' + pad2(d.getHours()) + ':' + pad2(d.getMinutes());
    } else {
      $('startTime').textContent = '';
    }
  }

  function renderHeader() {
    var ev = race.event || {};
    $('eventName').textContent = ev.name || '';
    $('eventInfo').textContent = [ev.date, ev.course, ev.weather,
      ev.temperature ? ev.temperature + '度' : ''].filter(Boolean).join(' ');
    var all = $('allMessage');
    all.textContent = race.allCarMessage ? '全車一斉メッセージ: ' + race.allCarMessage : '';
    all.hidden = !race.allCarMessage;
    document.body.classList.toggle('timing', !!race.timing);
    var rules = $('rules');
    rules.textContent = rulesText(race.rules || {});
    rules.hidden = !rules.textContent;
  }

  var PIT_TIME = ['ピット時間は運転時間に含めない', 'ピット時間はピットアウトしたドライバ',
    'ピット時間はドライバ交代の入力で分ける'];

  // The rules in force (a rule corrected during the race shows at once); empty when none is
  // used.
  function rulesText(r) {
    var parts = [];
    var minutes = function (ms) { return Math.round(ms / 60000) + '分'; };
    if (isNum(r.maxStintMs)) parts.push('最大スティント ' + minutes(r.maxStintMs));
    if (isNum(r.maxDrivingMs)) parts.push('最大運転 ' + minutes(r.maxDrivingMs));
    if (isNum(r.minDrivingMs)) parts.push('最小運転 ' + minutes(r.minDrivingMs));
    if (isNum(r.minPitStopMs)) parts.push('最小ピット ' + Math.round(r.minPitStopMs / 1000) + '秒');
    if (isNum(r.minPitStops)) parts.push('最少ピット ' + r.minPitStops + '回');
    if (!parts.length) return '';
    if (isNum(r.pitTimeRule) && PIT_TIME[r.pitTimeRule]) parts.push(PIT_TIME[r.pitTimeRule]);
    return '耐久規定: ' + parts.join(' / ');
  }

  function standingsRow(s) {
    var tr = el('tr');
    tr.dataset.slot = s.slot;
    tr.appendChild(el('td', 'pos', s.position));
    tr.appendChild(el('td', 'name', s.car || fullWidthSlot(s.slot)));
    tr.appendChild(el('td', 'laps', s.laps));
    tr.appendChild(el('td', 'best', dash(s.best)));
    tr.appendChild(el('td', 'last', dash(s.last)));
    tr.appendChild(el('td', 'gap', s.gapLaps ? '-' + Math.abs(s.gapLaps) + '周' : ''));
    return tr;
  }

  function renderStandings() {
    var body = $('standingsBody');
    body.textContent = '';
    (race.standings || []).forEach(function (s) {
      var tr = standingsRow(s);
      tr.addEventListener('click', function () { openLaps(s.slot); });
      body.appendChild(tr);
    });
    $('standings').hidden = !(race.standings || []).length;
  }

  function figure(parent, caption, value, cls) {
    var d = el('div', 'fig' + (cls ? ' ' + cls : ''));
    d.appendChild(el('span', 'cap', caption));
    d.appendChild(el('span', 'val', value));
    parent.appendChild(d);
    return d;
  }

  function median(values) {
    var v = values.slice().sort(function (a, b) { return a - b; });
    return v.length ? v[Math.floor(v.length / 2)] : 0;
  }

  // The laps the chart draws: the car's latest, as many as the console sends whole.
  function chartFirst(car) { return Math.max(1, car.lapCount - WINDOW_LAPS + 1); }

  function renderChart(car) {
    var W = 360, H = 170, L = 40, R = 8, T = 8, B = 22;
    var first = chartFirst(car), last = Math.max(car.lapCount, first + 1);
    var timed = car.laps.slice(Math.max(0, first - car.heldFrom)).filter(function (l) {
      return typeof l.ms === 'number';
    });
    var box = el('div', 'chart');
    var s = svg('svg', {viewBox: '0 0 ' + W + ' ' + H,
      role: 'img', 'aria-label': 'ラップタイム'});
    box.appendChild(s);
    s.appendChild(svg('rect', {x: L, y: T, width: W - L - R, height: H - T - B, class: 'plot'}));
    if (!timed.length) {
      box.appendChild(el('div', 'nodata', 'ラップなし'));
      return box;
    }
    var ms = timed.map(function (l) { return l.ms; });
    var lo = Math.min.apply(null, ms);
    // A pit stop would flatten every racing lap: laps far above the usual sit on the top edge.
    var hi = Math.min(Math.max.apply(null, ms), Math.max(lo + 1000, median(ms) * 1.5));
    // Laps within a second of each other sit in the middle of a one-second band.
    var span = Math.max(hi - lo, 1000);
    lo = (lo + hi) / 2 - span * 0.58; hi = lo + span * 1.16;
    function x(lap) { return L + (lap - first) / (last - first) * (W - L - R); }
    function y(v) { return T + (1 - (Math.min(v, hi) - lo) / (hi - lo)) * (H - T - B); }

    var digits = hi - lo >= 20000 ? 0 : hi - lo >= 2000 ? 1 : 2;
    [lo + (hi - lo) * 0.1, (lo + hi) / 2, lo + (hi - lo) * 0.9].forEach(function (v) {
      s.appendChild(svg('line', {x1: L, x2: W - R, y1: y(v), y2: y(v), class: 'grid'}));
      var t = svg('text', {x: L - 3, y: y(v) + 3, class: 'axis', 'text-anchor': 'end'});
      t.textContent = axisLap(v, digits);
      s.appendChild(t);
    });
    var step = Math.max(1, Math.ceil((last - first) / 8));
    for (var lap = first; lap <= last; lap += step) {
      var t = svg('text', {x: x(lap), y: H - 6, class: 'axis', 'text-anchor': 'middle'});
      t.textContent = lap;
      s.appendChild(t);
    }

    // A dashed line at each lap a stop falls in.
    stopsOf(car).forEach(function (p) {
      if (!count(p.lap) || p.lap < first || p.lap > last) return;
      var mark = svg('line', {x1: x(p.lap), x2: x(p.lap), y1: T, y2: H - B, class: 'pitMark',
        'data-lap': p.lap});
      var tip = svg('title', {});
      tip.textContent = p.lap + ': ピット';
      mark.appendChild(tip);
      s.appendChild(mark);
    });

    var colours = colourMap(car.slot);
    var prev = null;
    timed.forEach(function (l) {
      var colour = colours.get(l.driver);
      if (prev && prev.driver === l.driver && prev.lap === l.lap - 1) {
        s.appendChild(svg('line', {x1: x(prev.lap), y1: y(prev.ms), x2: x(l.lap), y2: y(l.ms),
          stroke: colour, class: 'stint'}));
      }
      prev = l;
    });
    timed.forEach(function (l) {
      var colour = colours.get(l.driver);
      var cls = 'pt' + (l.remarks ? ' remark' : '') + (l.ms > hi ? ' off' : '');
      var p = svg('circle', {cx: x(l.lap), cy: y(l.ms), r: l.remarks ? 5 : 3, fill: colour,
        stroke: colour, class: cls, 'data-lap': l.lap});
      var tip = svg('title', {});
      tip.textContent = l.lap + ': ' + l.time + (l.driver ? ' ' + l.driver : '') +
        (l.remarks ? ' ' + l.remarks : '');
      p.appendChild(tip);
      s.appendChild(p);
    });

    var legend = el('div', 'legend');
    var named = new Set();
    timed.forEach(function (l) {
      if (named.has(l.driver)) return;
      named.add(l.driver);
      var item = el('span', 'stintName', l.driver || 'ドライバ未設定');
      item.style.borderColor = colours.get(l.driver);
      legend.appendChild(item);
    });
    box.appendChild(legend);
    return box;
  }

  function fuelBlock(car) {
    var block = el('div', 'fuel');
    block.appendChild(el('span', 'cap', '燃料'));
    var gauge = el('div', 'gauge');
    var bar = el('div', 'bar');
    gauge.appendChild(bar);
    block.appendChild(gauge);
    var text = el('span', 'val fuelText');
    var f = car.fuel;
    if (f && typeof f.litres === 'number') {
      var pct = typeof f.percent === 'number' ? f.percent : 0;
      bar.style.width = Math.max(0, Math.min(100, pct)) + '%';
      gauge.classList.toggle('low', pct < FUEL_LOW_PERCENT);
      text.textContent = '残' + Math.floor(f.litres) + 'L (' + Math.round(pct) + '%)';
    } else {
      bar.style.width = '0';
      text.textContent = '-';
    }
    block.appendChild(text);
    var fl = car.fuelLaps;
    if (fl && isNum(fl.laps) && isNum(fl.inByLap)) {
      block.appendChild(el('span', 'val fuelLaps', 'あと ' + fl.laps + ' 周 / ' + fl.inByLap + '周目まで'));
    }
    return block;
  }

  // The stint being driven: who, how long, how many laps and the time left before the
  // maximum. The times tick on between messages while the car runs (see renderClocks).
  function stintBlock(car) {
    var st = car.stint;
    var block = el('div', 'stintLine ' + alertClass(car.stintAlert));
    block.appendChild(el('span', 'cap', 'スティント'));
    if (!st || typeof st !== 'object') {
      block.appendChild(el('span', 'val', '-'));
      return block;
    }
    block.dataset.laps = st.laps;
    block.appendChild(el('span', 'val stintDriver', dash(st.driver)));
    var time = el('span', 'val stintTime');
    time.dataset.ms = isNum(st.ms) ? st.ms : 0;
    block.appendChild(time);
    block.appendChild(el('span', 'val stintLaps', st.laps + '周'));
    if (isNum(st.leftMs)) {
      var left = el('span', 'val stintLeft');
      left.dataset.ms = st.leftMs;
      block.appendChild(left);
    }
    if (car.running) block.dataset.running = '1';
    tickStint(block, 0);
    return block;
  }

  function tickStint(block, since) {
    var time = block.querySelector('.stintTime');
    if (time) time.textContent = hms(+time.dataset.ms + since);
    var left = block.querySelector('.stintLeft');
    if (left) {
      var ms = +left.dataset.ms - since;
      left.textContent = '残り ' + (ms < 0 ? '-' : '') + hms(ms);
      if (ms < 0) block.classList.add('passed');
    }
  }

  // The race's present on the wall clock as its ticks count it, moved on by `since` ms.
  function raceNow(since) {
    var c = race && race.clock;
    return c && isNum(c.start) ? c.start + (c.elapsedMs || 0) + since : null;
  }

  // A car in the pit: how long it has stood there, green once the minimum stop is met.
  function tickInPit(node, since) {
    var now = raceNow(since);
    if (now === null) return;
    node.textContent = 'ピット中 ' + standing(now - node.dataset.start);
    node.classList.toggle('met', !!node.dataset.minMetAt && now >= +node.dataset.minMetAt);
  }

  function stopsOf(car) {
    return (Array.isArray(car.pitStops) ? car.pitStops : []).filter(function (p) {
      return p && typeof p === 'object';
    });
  }

  var SHOWN_STOPS = 5;

  // The stops: how many (against the minimum the rules ask for, and whether the race still
  // has time for them), the latest lap to come in, the last one's length and the last few, a
  // stop shorter than the rules allow marked.
  function pitBlock(car, rules) {
    var stops = stopsOf(car);
    var block = el('div', 'pits');
    block.dataset.count = stops.length;
    block.appendChild(el('span', 'cap', 'ピット'));
    var min = rules && isNum(rules.minPitStops) ? rules.minPitStops : 0;
    var n = el('span', 'val pitCount' + (stops.length < min ? ' few' : ''),
      stops.length + '回' + (min ? ' (規定' + min + '回)' : ''));
    block.appendChild(n);
    if (car.pitStopsOutOfReach === true) {
      block.appendChild(el('span', 'val pitOutOfReach', '最少ピット未達'));
    }
    if (isNum(car.latestPitLap)) {
      block.appendChild(el('span', 'val latestPitLap', '最遅ピット ' + car.latestPitLap + '周目'));
    }
    var last = stops[stops.length - 1];
    if (last && isNum(last.lengthMs)) {
      block.appendChild(el('span', 'val pitLast', '前回 ' + seconds(last.lengthMs)));
    }
    if (car.inPit && isNum(car.inPit.startMs)) {
      var inPit = el('span', 'val inPit');
      inPit.dataset.start = car.inPit.startMs;
      if (isNum(car.inPit.minMetAtMs)) inPit.dataset.minMetAt = car.inPit.minMetAtMs;
      block.appendChild(inPit);
      tickInPit(inPit, 0);
    }
    var list = el('ol', 'pitList');
    stops.slice(-SHOWN_STOPS).forEach(function (p) {
      var item = el('li', p.short ? 'short' : '',
        p.lap + '周 ' + (isNum(p.lengthMs) ? seconds(p.lengthMs) : '-') +
        (p.byOperator ? ' 手入力' : '') + (p.short ? ' 短い' : ''));
      item.dataset.lap = p.lap;
      list.appendChild(item);
    });
    if (stops.length) block.appendChild(list);
    return block;
  }

  // Each driver's time in the car against the maximum and minimum the rules set.
  function driverTimesBlock(car) {
    var list = el('div', 'driverTimes');
    var drivers = Array.isArray(car.drivers) ? car.drivers : [];
    if (drivers.length) list.appendChild(el('span', 'cap', 'ドライバ走行時間'));
    drivers.forEach(function (d) {
      if (!d || typeof d !== 'object') return;
      var row = el('div', 'driverTime ' + alertClass(d.overMax) + (d.missesMin ? ' missesMin' : ''));
      row.appendChild(el('span', 'name', dash(d.name)));
      row.appendChild(el('span', 'time', hms(isNum(d.drivingMs) ? d.drivingMs : 0)));
      row.appendChild(el('span', 'laps', (isNum(d.laps) ? d.laps : 0) + '周'));
      var marks = [];
      if (d.overMax === 'passed') marks.push('上限超過');
      else if (d.overMax === 'near') marks.push('上限間近');
      if (d.missesMin) marks.push('最低時間不足');
      row.appendChild(el('span', 'mark', marks.join(' ')));
      list.appendChild(row);
    });
    return list;
  }

  function headBlock(car) {
    var head = el('div', 'carHead');
    head.appendChild(el('span', 'slot', fullWidthSlot(car.slot)));
    head.appendChild(el('span', 'carName', car.car));
    head.appendChild(el('span', 'lapCnt', car.running ? car.currentLap + '周目' : '中止'));
    return head;
  }

  function figsBlock(car) {
    var figs = el('div', 'figs');
    figure(figs, '周回', car.lapCount, 'lapCount');
    figure(figs, 'Last', dash(car.last), 'last');
    figure(figs, 'Best', dash(car.best) + (car.bestLap ? ' (' + car.bestLap + ')' : ''), 'bestFig');
    figure(figs, 'Ave', dash(car.average), 'ave');
    figure(figs, '予想', dash(car.predictedLaps), 'predicted');
    figure(figs, 'ドライバ', dash(car.driver), 'driver');
    return figs;
  }

  function countdownBlock(car) {
    var cd = car.countdown || {};
    var block = el('div', 'countdown' + (cd.on ? ' on' : ''));
    block.appendChild(el('span', 'val', cd.on ? dash(cd.laps) : '-'));
    block.appendChild(el('span', 'cap', '周走行したらドライバ交代'));
    return block;
  }

  function messagesBlock(car) {
    var mess = el('div', 'messages');
    figure(mess, '送信メッセージ', car.messageOut, 'out');
    figure(mess, '受信', car.messageIn, 'in');
    return mess;
  }

  function stopLaps(car) { return stopsOf(car).map(function (p) { return p.lap; }); }

  // A car's card in parts, each drawn again only when what it shows changed: a car whose
  // message changes at every report redraws its message line, not its chart. `what` gives
  // what a part shows; the chart is drawn again too whenever the car's laps changed.
  var CAR_PARTS = [
    {draw: headBlock, what: function (c) { return [c.slot, c.car, c.running, c.currentLap]; }},
    {draw: figsBlock, what: function (c) {
      return [c.lapCount, c.last, c.best, c.bestLap, c.average, c.predictedLaps, c.driver];
    }},
    {draw: fuelBlock, what: function (c) { return [c.fuel, c.fuelLaps]; }},
    {draw: stintBlock, what: function (c) { return [c.stint, c.stintAlert, c.running]; }},
    {draw: function (c) { return pitBlock(c, race.rules); },
      what: function (c) {
        return [c.pitStops, c.inPit, race.rules && race.rules.minPitStops, c.latestPitLap,
          c.pitStopsOutOfReach];
      }},
    {draw: driverTimesBlock, what: function (c) { return [c.drivers]; }},
    {draw: countdownBlock, what: function (c) { return [c.countdown]; }},
    {draw: messagesBlock, what: function (c) { return [c.messageOut, c.messageIn]; }},
    {draw: renderChart, laps: true, what: function (c) { return [c.lapCount, stopLaps(c)]; }},
  ];

  var cards = new Map();    // slot -> {card, shown: what each part shows}

  function renderCar(car, lapsChanged) {
    var held = cards.get(car.slot);
    if (!held) {
      var card = el('section', 'car');
      card.dataset.slot = car.slot;
      card.addEventListener('click', function () { openLaps(car.slot); });
      held = {card: card, shown: []};
      cards.set(car.slot, held);
    }
    held.card.classList.toggle('stopped', !car.running);
    CAR_PARTS.forEach(function (part, i) {
      var what = JSON.stringify(part.what(car));
      var node = held.card.children[i];
      if (node && what === held.shown[i] && !(part.laps && lapsChanged)) return;
      var drawn = part.draw(car);
      if (node) held.card.replaceChild(drawn, node);
      else held.card.appendChild(drawn);
      held.shown[i] = what;
    });
    return held.card;
  }

  // The cars in the race's order; only those named in `changed` (all when it is null) are
  // looked at again.
  function renderCars(changed) {
    var box = $('cars');
    var slots = new Set();
    (race.cars || []).forEach(function (c, i) {
      slots.add(c.slot);
      var card = renderCar(c, !changed || !!changed[c.slot]);
      if (box.children[i] !== card) box.insertBefore(card, box.children[i] || null);
    });
    cards.forEach(function (held, slot) {
      if (!slots.has(slot)) {
        held.card.remove();
        cards.delete(slot);
      }
    });
    // A console that shows others' races says nothing of its own being empty.
    $('empty').hidden = slots.size > 0 || consoles.size > 0;
  }

  function carBySlot(slot) {
    var found = null;
    (race && race.cars || []).forEach(function (c) { if (c.slot === slot) found = c; });
    return found;
  }

  // ---- the lap table of one car ----

  var lapTableShows = null;  // what the open lap table was drawn from
  var fetching = null;       // {slot, from} of the page of older laps on its way

  function lapRow(car, l, colours) {
    var tr = el('tr', (l.lap === car.bestLap ? 'bestRow' : '') +
      (l.corrected || l.edited ? ' changed' : ''));
    tr.dataset.lap = l.lap;
    tr.appendChild(el('td', 'lapNo', l.lap));
    tr.appendChild(el('td', 'time', l.time));
    var who = el('td', 'who', l.driver);
    who.style.borderLeftColor = colours.get(l.driver);
    tr.appendChild(who);
    tr.appendChild(el('td', 'remarks' + (l.check ? ' check' : ''),
      l.check ? ('要確認 ' + l.remarks).trim() : l.remarks));
    return tr;
  }

  // Draws the open car's lap table: its driver table when that changed, its rows when its
  // laps or best lap changed (`lapsChanged`) or the table was just opened.
  function renderLapTable(lapsChanged) {
    var dialog = $('lapDialog');
    var car = openSlot === null ? null : carBySlot(openSlot);
    dialog.hidden = !car;
    if (!car) {
      lapTableShows = null;
      return;
    }
    var shows = JSON.stringify([car.slot, car.car, car.bestLap, car.heldFrom]);
    if (lapsChanged || shows !== lapTableShows) {
      lapTableShows = shows;
      $('lapTitle').textContent = fullWidthSlot(car.slot) + ' ' + car.car;
      var rows = document.createDocumentFragment();
      var colours = colourMap(car.slot);
      car.laps.forEach(function (l) { rows.appendChild(lapRow(car, l, colours)); });
      var laps = $('lapTable').tBodies[0];
      laps.textContent = '';
      laps.appendChild(rows);
    }
    var drivers = $('driverTable').tBodies[0];
    drivers.textContent = '';
    (car.drivers || []).forEach(function (d) {
      var tr = el('tr');
      tr.appendChild(el('td', '', d.name));
      tr.appendChild(el('td', '', dash(d.best)));
      tr.appendChild(el('td', '', dash(d.average)));
      tr.appendChild(el('td', 'time ' + alertClass(d.overMax) + (d.missesMin ? ' missesMin' : ''),
        hms(isNum(d.drivingMs) ? d.drivingMs : 0)));
      drivers.appendChild(tr);
    });
    renderMoreButton(car);
  }

  function renderMoreButton(car) {
    var more = $('lapMore');
    more.hidden = car.heldFrom <= 1;
    var busy = !!fetching && fetching.slot === car.slot;
    more.disabled = busy;
    more.textContent = busy ? '読み込み中…' : '前の周を表示';
  }

  // Asks the console for the page of laps just before those the open car holds. One page at a
  // time, each once: a page that comes after the race was sent whole again is thrown away.
  function fetchOlder() {
    var car = openSlot === null ? null : carBySlot(openSlot);
    if (!car || car.heldFrom <= 1 || fetching) return;
    var want = {slot: car.slot, from: Math.max(1, car.heldFrom - PAGE_LAPS), until: car.heldFrom,
      epoch: epoch};
    fetching = want;
    renderMoreButton(car);
    fetch('/api/laps?car=' + want.slot + '&from=' + want.from, {credentials: 'same-origin'})
      .then(function (r) { return r.ok ? r.json() : null; })
      .then(function (page) {
        var now = carBySlot(want.slot);
        if (!page || page.car !== want.slot || page.from !== want.from || !lapList(page.laps) ||
            want.epoch !== epoch || !now || now.heldFrom !== want.until) return;
        var sheet = document.querySelector('#lapDialog .sheet');
        var below = sheet.scrollHeight - sheet.scrollTop;
        takeOlder(now, page);
        fetching = null;
        if (openSlot === want.slot) {
          renderLapTable(true);
          // The rows that were shown stay where they were; the older ones come in above.
          sheet.scrollTop = sheet.scrollHeight - below;
        }
      })
      .catch(function () { /* the button stays: the user may ask again */ })
      .then(function () {
        if (fetching === want) fetching = null;
        var open = openSlot === null ? null : carBySlot(openSlot);
        if (open) renderMoreButton(open);
      });
  }

  function openLaps(slot) {
    openSlot = slot;
    renderLapTable(true);
  }

  var standingsShow = null;

  function render() {
    renderHeader();
    renderClocks();
    standingsShow = JSON.stringify(race.standings);
    renderStandings();
    cards.forEach(function (held) { held.card.remove(); });
    cards.clear();
    renderCars(null);
    renderLapTable(true);
  }

  // What an update changed, drawn again: the header and clocks (small), the standings when
  // they moved, the cars whose figures or laps changed, the open lap table when its car's did.
  function renderChanges(changed) {
    renderHeader();
    renderClocks();
    var standings = JSON.stringify(race.standings);
    if (standings !== standingsShow) {
      standingsShow = standings;
      renderStandings();
    }
    renderCars(changed);
    renderLapTable(openSlot !== null && !!changed[openSlot]);
  }

  // ---- the races of the other consoles this one follows ----
  // Each followed console's race comes whole in a "console" message, with its state and how
  // long ago the console sent it; a panel per console shows its clock and standings, marked
  // when the console is offline or has sent nothing for STALE_MS.

  var STALE_MS = 10000;
  var consoles = new Map();   // name -> {shown: the console as last received, at, panel}

  function consolePanel(name) {
    var panel = el('section', 'console');
    panel.dataset.name = name;
    var head = el('div', 'consoleHead');
    head.appendChild(el('span', 'consoleName', name));
    head.appendChild(el('span', 'consoleState'));
    panel.appendChild(head);
    panel.appendChild(el('div', 'consoleEvent'));
    var clock = el('div', 'consoleClock');
    clock.appendChild(el('span', 'elapsed'));
    clock.appendChild(el('span', 'remainText'));
    panel.appendChild(clock);
    var table = el('table');
    var headRow = el('tr');
    ['順位', '車輌名', '周回', 'BestTime', 'Last', '差'].forEach(function (t) {
      headRow.appendChild(el('th', '', t));
    });
    table.appendChild(el('thead')).appendChild(headRow);
    table.appendChild(el('tbody'));
    panel.appendChild(table);
    return panel;
  }

  function applyConsole(c) {
    if (!c || typeof c !== 'object' || typeof c.name !== 'string' || !c.name) return;
    if (c.race !== null && !plausible(c.race)) return;
    var held = consoles.get(c.name);
    if (!held) {
      held = {panel: consolePanel(c.name)};
      consoles.set(c.name, held);
      $('consoles').appendChild(held.panel);
    }
    held.shown = c;
    held.at = performance.now();
    var r = c.race || {};
    var ev = r.event || {};
    held.panel.querySelector('.consoleEvent').textContent =
      [ev.name, ev.course].filter(Boolean).join(' ');
    var body = held.panel.querySelector('tbody');
    body.textContent = '';
    (Array.isArray(r.standings) ? r.standings : []).forEach(function (s) {
      if (s && typeof s === 'object') body.appendChild(standingsRow(s));
    });
    tickConsole(held);
    $('followed').hidden = false;
    $('empty').hidden = true;
  }

  // The console's state and clock as they stand now: its race's clock runs on from when the
  // console sent it, while it times.
  function tickConsole(held) {
    var c = held.shown;
    var age = (isNum(c.ageMs) ? c.ageMs : 0) + performance.now() - held.at;
    var state = c.status === 'offline' ? 'オフライン' : !c.race ? '受信待ち' :
      age > STALE_MS ? '更新なし ' + hms(age) : '';
    var mark = held.panel.querySelector('.consoleState');
    mark.textContent = state;
    held.panel.classList.toggle('stale', state !== '');
    held.panel.classList.toggle('offline', c.status === 'offline');
    var clock = c.race && c.race.clock || {};
    var since = c.race && c.race.timing ? age : 0;
    held.panel.querySelector('.elapsed').textContent =
      isNum(clock.elapsedMs) ? hms(clock.elapsedMs + since) : '';
    held.panel.querySelector('.remainText').textContent =
      isNum(clock.remainingMs) ? '残り ' + hms(clock.remainingMs - since) : '';
  }

  function tickConsoles() { consoles.forEach(tickConsole); }

  // ---- the link to the console ----

  function setLink(up) {
    var l = $('link');
    l.classList.toggle('on', up);
    l.classList.toggle('off', !up);
    l.title = up ? '接続中' : '切断';
  }

  function connect() {
    if (location.protocol !== 'http:' && location.protocol !== 'https:') return;
    var scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
    // The key goes along in the page's cookie.
    socket = new WebSocket(scheme + location.host + '/ws');
    socket.onopen = function () { setLink(true); };
    socket.onmessage = function (e) {
      try { apply(e.data); } catch (err) { /* a broken message leaves the last race shown */ }
    };
    socket.onclose = function () {
      setLink(false);
      socket = null;
      setTimeout(connect, RECONNECT_MS);
    };
  }

  $('lapClose').addEventListener('click', function (e) {
    e.stopPropagation();
    openSlot = null;
    renderLapTable();
  });
  $('lapDialog').addEventListener('click', function (e) {
    if (e.target === $('lapDialog')) { openSlot = null; renderLapTable(); }
  });
  $('lapMore').addEventListener('click', fetchOlder);
  // Scrolled to the top of the lap table: the laps before it come in.
  document.querySelector('#lapDialog .sheet').addEventListener('scroll', function (e) {
    if (e.target.scrollTop <= 0) fetchOlder();
  });

  window.kalteroApply = apply;
  window.kalteroRace = function () { return race; };
  setInterval(function () { renderClocks(); tickConsoles(); }, 250);
  connect();
})();
