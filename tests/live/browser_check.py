#!/usr/bin/python3
"""browser_check.py PAGE_URL [--laps N | --long-race] [--shot PHONE.png WIDE.png]

Opens the live timing page of a console that is timing a race, in headless Chromium driven by
chromedriver, and checks it against the console's own /api/race while laps come in:
  - a wrong or missing key gets 403 with an empty body (page, script, race, WebSocket);
  - the address with the key is redirected to the page without it, the key kept in a cookie
    no script can read, and the page's own script runs under its Content-Security-Policy;
  - the page shows every car of the standings and, in each car's lap table, the laps
    /api/race carries (each car's latest);
  - it follows N laps without being reloaded, each time agreeing with /api/race again;
  - each car's chart has one point per timed lap of its latest 50;
  - each car's stint (driver, laps) and pit stops (count, a chart mark at each stop's lap)
    agree, once a car has stopped in the pit too;
  - the race clock ticks on between messages;
  - a car in the pit shows how long it has stood there, green once its minimum is met.
With --long-race (a console serving a 24-hour race, one car's message changing all the time)
it checks instead that the page shows each car's latest laps with its whole lap count, that a
car's lap table fetches the page of laps before them when asked, once, agreeing with
/api/laps, and that no update takes the page more than the budget to take in and draw.
With --shot it only saves a phone-width and a wide picture of the page instead.
Prints what it found; exits 1 on the first disagreement.
"""
import json
import socket
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

SETTLE_S = 10  # a lap's change reaches the page within 100 ms; the race itself keeps moving
CHART_LAPS = 50  # the chart draws each car's latest laps


def fail(why):
    print('FAIL: ' + why, flush=True)
    sys.exit(1)


def status_and_body(url):
    try:
        with urllib.request.urlopen(url, timeout=5) as r:
            return r.status, r.read()
    except urllib.error.HTTPError as e:
        return e.code, e.read()


def with_key(url, key):
    parts = urllib.parse.urlsplit(url)
    query = '' if key is None else urllib.parse.urlencode({'key': key})
    return urllib.parse.urlunsplit((parts.scheme, parts.netloc, parts.path, query, ''))


def websocket_refusal(base, key):
    """How the feed answers an upgrade with this key: 'refused' (403, or accepted and closed
    before a single message), 'open' (a message came), or what else it said."""
    host, port = base.hostname, base.port or 80
    with socket.create_connection((host, port), timeout=5) as s:
        s.sendall(('GET /ws?key=%s HTTP/1.1\r\nHost: %s:%d\r\nUpgrade: websocket\r\n'
                   'Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n'
                   'Sec-WebSocket-Version: 13\r\n\r\n' % (key, host, port)).encode())
        data = b''
        while b'\r\n\r\n' not in data:
            chunk = s.recv(4096)
            if not chunk:
                break
            data += chunk
        head, _, frames = data.partition(b'\r\n\r\n')
        status = head.split(b' ')[1] if head.startswith(b'HTTP/') else b''
        if status == b'403':
            return 'refused'
        if status != b'101':
            return 'status %r' % status
        while not frames:
            chunk = s.recv(4096)
            if not chunk:
                return 'closed without a close frame'
            frames += chunk
        # The first frame's opcode: 8 closes, 1 is a text message.
        return {8: 'refused', 1: 'open'}.get(frames[0] & 0x0f, 'opcode %d' % (frames[0] & 0x0f))


def check_wrong_keys(page_url):
    base = urllib.parse.urlsplit(page_url)
    key = urllib.parse.parse_qs(base.query)['key'][0]
    wrong = ('0' if key[0] != '0' else '1') + key[1:]
    root = '%s://%s' % (base.scheme, base.netloc)
    for path in ('/', '/index.html', '/live.js', '/live.css', '/api/race'):
        for k in (wrong, None, ''):
            code, body = status_and_body(with_key(root + path, k))
            if code != 403 or body:
                fail('%s with key %r: %d, %d bytes, not 403 and nothing' % (path, k, code, len(body)))
    code, body = status_and_body(with_key(root + '/api/race', key))
    if code != 200:
        fail('/api/race with the key: %d' % code)
    for k in (wrong, ''):
        answer = websocket_refusal(base, k)
        if answer != 'refused':
            fail('/ws with key %r: %s, not refused' % (k, answer))
    answer = websocket_refusal(base, key)
    if answer != 'open':
        fail('/ws with the key: %s' % answer)
    print('wrong or missing key: 403 and an empty body on every path; /ws refused', flush=True)
    return root, key


def check_cookie_flow(driver, root, key):
    """The page, opened from its address with the key, is left without it in the address bar;
    its script ran (wait_page) and nothing was blocked by the page's policy."""
    if key in driver.current_url or 'key=' in driver.current_url:
        fail('the address bar still holds the key: ' + driver.current_url)
    if 'kaltero_key' in driver.execute_script('return document.cookie;'):
        fail('a script can read the key cookie')
    with urllib.request.urlopen(with_key(root + '/api/race', key), timeout=5) as r:
        policy = r.headers.get('Content-Security-Policy', '')
    if "default-src 'self'" not in policy or "frame-ancestors 'none'" not in policy:
        fail('Content-Security-Policy: %r' % policy)
    blocked = [e['message'] for e in driver.get_log('browser')
               if 'Content Security Policy' in e['message']]
    if blocked:
        fail('the policy blocked: %s' % blocked)
    print('key moved to a cookie, address bar %s; policy %r blocks nothing of the page'
          % (driver.current_url, policy), flush=True)


def api_race(root, key):
    code, body = status_and_body(with_key(root + '/api/race', key))
    if code != 200:
        fail('/api/race: %d' % code)
    return json.loads(body.decode('utf-8'))


def browser(width, height):
    options = webdriver.ChromeOptions()
    for a in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
              '--hide-scrollbars', '--user-data-dir=' + tempfile.mkdtemp(prefix='kaltero-chromium-'),
              '--window-size=%d,%d' % (width, height)):
        options.add_argument(a)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    options.binary_location = '/usr/bin/chromium'
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    driver.set_window_size(width, height)
    return driver


# What the page shows, read the way a user reads it.
READ_PAGE = r'''
const text = (root, sel) => { const e = root.querySelector(sel); return e ? e.textContent : null; };
return {
  linked: document.getElementById('link').classList.contains('on'),
  elapsed: text(document, '#elapsed'),
  standings: [...document.querySelectorAll('#standingsBody tr')].map(tr => ({
    slot: +tr.dataset.slot, laps: +text(tr, '.laps'), best: text(tr, '.best'), last: text(tr, '.last')})),
  cars: [...document.querySelectorAll('#cars .car')].map(c => ({
    slot: +c.dataset.slot, lapCount: +text(c, '.lapCount .val'), last: text(c, '.last .val'),
    points: [...c.querySelectorAll('svg circle.pt')].map(p => +p.getAttribute('data-lap')),
    stintDriver: text(c, '.stintLine .stintDriver'),
    stintLaps: (c.querySelector('.stintLine') || {dataset: {}}).dataset.laps,
    stops: +c.querySelector('.pits').dataset.count,
    pitMarks: [...c.querySelectorAll('svg line.pitMark')].map(p => +p.getAttribute('data-lap'))})),
};
'''


def dash(t):
    return t if t else '-'


def disagreement(page, race):
    """What the page shows differently from the race the console serves; '' when nothing."""
    want = [(s['slot'], s['laps'], dash(s['best']), dash(s['last'])) for s in race['standings']]
    got = [(s['slot'], s['laps'], s['best'], s['last']) for s in page['standings']]
    if want != got:
        return 'standings %s, console %s' % (got, want)
    cars = {c['slot']: c for c in page['cars']}
    if sorted(cars) != sorted(c['slot'] for c in race['cars']):
        return 'cars %s, console %s' % (sorted(cars), [c['slot'] for c in race['cars']])
    for c in race['cars']:
        shown = cars[c['slot']]
        first = max(1, c['lapCount'] - CHART_LAPS + 1)
        timed = [lap['lap'] for lap in c['laps'] if lap['ms'] is not None and lap['lap'] >= first]
        if shown['lapCount'] != c['lapCount'] or shown['last'] != dash(c['last']):
            return 'car %d: %s laps, last %s; console %s, %s' % (
                c['slot'], shown['lapCount'], shown['last'], c['lapCount'], c['last'])
        if shown['points'] != timed:
            return 'car %d: chart points at laps %s, timed laps %s' % (c['slot'], shown['points'], timed)
        st = c['stint']
        want = (dash(st['driver']), str(st['laps'])) if st else (None, None)
        if (shown['stintDriver'], shown['stintLaps']) != want:
            return 'car %d: stint %s, %s laps; console %s, %s laps' % (
                c['slot'], shown['stintDriver'], shown['stintLaps'], want[0], want[1])
        stops = [p['lap'] for p in c['pitStops']]
        marked = [lap for lap in stops if first <= lap <= max(c['lapCount'], first + 1)]
        if shown['stops'] != len(stops) or (timed and shown['pitMarks'] != marked):
            return 'car %d: %d stops, marks at laps %s; console stops at laps %s' % (
                c['slot'], shown['stops'], shown['pitMarks'], stops)
    return ''


def moving_part(race):
    """What moves with the laps: the standings, each car's stint and its stops."""
    return (race['standings'],
            [(c['stint'] or {}).get('laps') for c in race['cars']],
            [len(c['pitStops']) for c in race['cars']])


def agree(driver, root, key, what):
    """Waits until the page and /api/race agree; returns the race they agree on."""
    deadline = time.monotonic() + SETTLE_S
    why = ''
    while time.monotonic() < deadline:
        before = api_race(root, key)
        page = driver.execute_script(READ_PAGE)
        after = api_race(root, key)
        # Only a race that stood still while the page was read is a fair comparison.
        if moving_part(before) == moving_part(after):
            why = disagreement(page, after)
            if not why:
                return after, page
        time.sleep(0.05)
    fail('%s: the page does not show the race: %s' % (what, why))


ODD_RACES = r'''
const before = JSON.stringify(window.kalteroRace());
const errors = [];
for (const race of [{cars: [{slot: 1, lapCount: 1e9, laps: []}]},
                    {cars: [{slot: 1, lapCount: -1, laps: []}]},
                    {cars: 'x'}, {cars: [{slot: 1, lapCount: 1, laps: [{lap: -5}]}]}]) {
  try { window.kalteroApply({type: 'race', race: race}); } catch (e) { errors.push(String(e)); }
}
const kept = JSON.stringify(window.kalteroRace()) === before;
const race = JSON.parse(before);
const lap = (n, driver) => ({lap: n, ms: 85000 + n, time: "1'25", driver: driver, remarks: '',
                             log: '', end: null, corrected: false, edited: false});
race.cars = race.cars.slice(0, 1);
race.cars[0].lapCount = 3;
race.cars[0].laps = [lap(1, 'constructor'), lap(2, '__proto__'), lap(3, 'toString')];
window.kalteroApply({type: 'race', race: race});
const legend = document.querySelectorAll('#cars .car .legend .stintName');
return {errors: errors, kept: kept,
        legend: [...legend].map(e => [e.textContent, e.style.borderColor])};
'''


IN_PIT = r'''
const race = JSON.parse(JSON.stringify(window.kalteroRace()));
const now = race.clock.start + race.clock.elapsedMs;
const shown = inPit => {
  race.cars[0].inPit = inPit;
  window.kalteroApply({type: 'race', race: race});
  const e = document.querySelector('#cars .car .inPit');
  return e ? [e.textContent, e.classList.contains('met')] : null;
};
return [shown({startMs: now - 25000, minMetAtMs: now + 35000}),
        shown({startMs: now - 61000, minMetAtMs: now - 1000}),
        shown({startMs: now - 25000, minMetAtMs: null}),
        shown(null)];
'''


def check_in_pit(driver):
    """A car in the pit shows how long it has stood there, green once its minimum is met."""
    got = driver.execute_script(IN_PIT)
    want = [['ピット中 0:25', False], ['ピット中 1:01', True], ['ピット中 0:25', False], None]
    if got != want:
        fail('a car in the pit shows %s, not %s' % (got, want))
    print('in the pit: %s' % got, flush=True)


def check_odd_races(driver):
    """Races no console sends are left unshown without an error; drivers may be called
    anything, names of JavaScript's own included."""
    got = driver.execute_script(ODD_RACES)
    if got['errors'] or not got['kept']:
        fail('implausible races: errors %s, last race kept: %s' % (got['errors'], got['kept']))
    names = [name for name, _ in got['legend']]
    colours = [colour for _, colour in got['legend']]
    if names != ['constructor', '__proto__', 'toString'] or len(set(colours)) != 3 or '' in colours:
        fail('legend for drivers constructor, __proto__, toString: %s' % got['legend'])
    print('implausible races ignored; legend %s' % got['legend'], flush=True)


FOLLOWED = r'''
const race = (event, car) => ({timing: true, event: {name: event}, cars: [],
  clock: {elapsedMs: 60000, remainingMs: 3600000},
  standings: [{slot: 1, position: 1, car: car, laps: 3, best: "1'25\"000", last: '', gapLaps: 0}]});
const send = (c) => window.kalteroApply({type: 'console', console: c});
const cards = document.querySelectorAll('#cars .car').length;
send({name: 'pit-b', status: 'online', ageMs: 0, race: race('<b>B</b>', 'B号')});
send({name: 'pit-a', status: 'offline', ageMs: 0, race: race('A', 'A号')});
send({name: 'pit-c', status: '', ageMs: 20000, race: race('C', 'C号')});
send({name: 'pit-b', status: 'online', ageMs: 0, race: {cars: {}, standings: 'x'}});
send({name: 42, status: 'online', ageMs: 0, race: race('D', 'D号')});
send({name: 'pit-d', status: 'online', ageMs: null, race: null});
return {cards: document.querySelectorAll('#cars .car').length === cards,
  shown: !document.getElementById('followed').hidden,
  panels: [...document.querySelectorAll('#consoles .console')].map(p => [
    p.dataset.name, p.querySelector('.consoleState').textContent,
    p.querySelector('.consoleEvent').textContent, p.querySelectorAll('b').length,
    [...p.querySelectorAll('tbody td.name')].map(td => td.textContent).join(','),
    p.querySelector('.elapsed').textContent])};
'''


def check_followed(driver):
    """Other consoles' races come as "console" messages: a panel each in the order they came,
    marked offline, stale or waiting; texts as text; what is not a race leaves the last one."""
    got = driver.execute_script(FOLLOWED)
    panels = [p[:5] for p in got['panels']]
    want = [['pit-b', '', '<b>B</b>', 0, 'B号'], ['pit-a', 'オフライン', 'A', 0, 'A号'],
            ['pit-c', '更新なし 00:00:20', 'C', 0, 'C号'], ['pit-d', '受信待ち', '', 0, '']]
    if not got['cards'] or not got['shown'] or panels != want:
        fail('followed consoles shown as %s, not %s' % (got, want))
    # The clock of a timed race runs on from when its console sent it.
    if got['panels'][2][5] != '00:01:20' or got['panels'][0][5] != '00:01:00':
        fail('followed clocks %s' % [p[5] for p in got['panels']])
    print('followed consoles: %s' % panels, flush=True)


def lap_table(driver, slot):
    """Taps the car and reads its lap table: one script, so no redraw falls in between."""
    return driver.execute_script(
        "document.querySelector('#cars .car[data-slot=\"' + arguments[0] + '\"]').click();"
        "const rows = [...document.querySelectorAll('#lapTable tbody tr')].map(tr => "
        "[+tr.dataset.lap, tr.querySelector('.time').textContent]);"
        "const shown = !document.getElementById('lapDialog').hidden;"
        "document.getElementById('lapClose').click();"
        "return shown ? rows : null;", slot)


def total_laps(race):
    return sum(c['lapCount'] for c in race['cars'])


def wait_page(driver):
    deadline = time.monotonic() + SETTLE_S
    while time.monotonic() < deadline:
        if driver.execute_script("return !!window.kalteroApply && "
                                 "document.querySelectorAll('#cars .car').length > 0"):
            return
        time.sleep(0.05)
    fail('the page shows no car')


def check_race(page_url, laps):
    root, key = check_wrong_keys(page_url)
    driver = browser(1280, 900)
    try:
        driver.get(page_url)
        wait_page(driver)
        check_cookie_flow(driver, root, key)
        race, page = agree(driver, root, key, 'first race message')
        if not page['linked']:
            fail('the page does not show its link as up')
        driver.execute_script("window.kalteroSamePage = true;")
        print('page shows %d cars, %d laps in all' % (len(race['cars']), total_laps(race)), flush=True)

        for n in range(1, laps + 1):
            seen = total_laps(race)
            deadline = time.monotonic() + 30
            while total_laps(api_race(root, key)) == seen:
                if time.monotonic() > deadline:
                    fail('no lap came in for 30 s')
                time.sleep(0.05)
            race, page = agree(driver, root, key, 'after lap %d' % n)
            if not driver.execute_script("return window.kalteroSamePage === true;"):
                fail('the page was reloaded')
            for c in race['cars']:
                want = [[lap['lap'], lap['time']] for lap in c['laps']]
                got = lap_table(driver, c['slot'])
                if got is None:
                    fail('car %d: a tap shows no lap table' % c['slot'])
                numbers = [n for n, _ in got]
                if numbers and numbers != list(range(numbers[0], numbers[0] + len(numbers))):
                    fail('car %d lap table rows %s: not one run of laps' % (c['slot'], numbers))
                # The page holds the laps since it was opened, the console sends its latest;
                # a lap may close between the two readings: the table then holds one row more.
                got = [row for row in got if want and row[0] >= want[0][0]]
                if got[:len(want)] != want or len(got) > len(want) + 1:
                    fail('car %d lap table %s, console %s' % (c['slot'], got, want))
            print('update %d: %d laps in all, standings, lap rows and chart points agree'
                  % (n, total_laps(race)), flush=True)

        deadline = time.monotonic() + 30
        while not any(c['pitStops'] for c in api_race(root, key)['cars']):
            if time.monotonic() > deadline:
                fail('no car stopped in the pit for 30 s')
            time.sleep(0.05)
        race, page = agree(driver, root, key, 'after a pit stop')
        print('pit stops %s, stints %s agree' % (
            [len(c['pitStops']) for c in race['cars']],
            [(c['stint'] or {}).get('laps') for c in race['cars']]), flush=True)

        first = driver.execute_script(READ_PAGE)['elapsed']
        time.sleep(1.3)
        second = driver.execute_script(READ_PAGE)['elapsed']
        if first == second:
            fail('the race clock stands still at %s' % first)
        print('race clock ticks: %s -> %s' % (first, second), flush=True)
        check_odd_races(driver)
        check_in_pit(driver)
        check_followed(driver)
    finally:
        driver.quit()


LONG_RACE_LAPS = 960          # 24 hours of 90 s laps
WINDOW_LAPS = 50              # each car's latest laps, in /api/race and the feed's whole race
PAGE_LAPS = 100               # laps a page of /api/laps holds at most
MEASURE_S = 5
RENDER_MEDIAN_MS = 50
RENDER_LARGEST_MS = 100

READ_LAP_TABLE = r'''
const more = document.getElementById('lapMore');
return {shown: !document.getElementById('lapDialog').hidden,
        more: !more.hidden && !more.disabled,
        rows: [...document.querySelectorAll('#lapTable tbody tr')].map(tr =>
          [+tr.dataset.lap, tr.querySelector('.time').textContent]),
        fetched: performance.getEntriesByType('resource').map(e => e.name)
          .filter(n => n.includes('/api/laps'))};
'''


def api_laps(root, key, car, first):
    url = '%s/api/laps?%s' % (root, urllib.parse.urlencode({'car': car, 'from': first, 'key': key}))
    code, body = status_and_body(url)
    if code != 200:
        fail('/api/laps car %d from %d: %d' % (car, first, code))
    page = json.loads(body.decode('utf-8'))
    laps = [lap['lap'] for lap in page['laps']]
    if (page['car'], page['from'], page['lapCount']) != (car, first, LONG_RACE_LAPS) or \
            laps != list(range(first, min(first + PAGE_LAPS, LONG_RACE_LAPS + 1))):
        fail('/api/laps car %d from %d: car %s, from %s, lapCount %s, laps %s..%s' % (
            car, first, page['car'], page['from'], page['lapCount'], laps[:1], laps[-1:]))
    return page


def rows_of(laps):
    return [[lap['lap'], lap['time']] for lap in laps]


def chatty_car(root, key):
    """The car whose message keeps changing."""
    before = {c['slot']: c['messageIn'] for c in api_race(root, key)['cars']}
    time.sleep(0.5)
    changed = [c['slot'] for c in api_race(root, key)['cars'] if c['messageIn'] != before[c['slot']]]
    if len(changed) != 1:
        fail('cars whose message changes: %s, not one' % changed)
    return changed[0]


def older_pages(driver, root, key, race, slot):
    """Opens the car's lap table, which shows its latest laps; 「前の周を表示」, pressed twice
    at once and then once more, brings the two pages before them, each asked for once."""
    car = next(c for c in race['cars'] if c['slot'] == slot)
    want = rows_of(car['laps'])
    driver.execute_script(
        "document.querySelector('#cars .car[data-slot=\"' + arguments[0] + '\"]').click();", slot)
    table = driver.execute_script(READ_LAP_TABLE)
    if not table['shown'] or table['rows'] != want or not table['more']:
        fail('car %d lap table: shown %s, rows %s..%s, button %s; console laps %s..%s' % (
            slot, table['shown'], table['rows'][:1], table['rows'][-1:], table['more'],
            want[:1], want[-1:]))
    first = want[0][0]
    for n in (1, 2):
        first = max(1, first - PAGE_LAPS)
        clicks = 2 if n == 1 else 1
        driver.execute_script("const b = document.getElementById('lapMore');"
                              "for (let i = 0; i < arguments[0]; i++) b.click();", clicks)
        deadline = time.monotonic() + SETTLE_S
        while True:
            table = driver.execute_script(READ_LAP_TABLE)
            if table['rows'] and table['rows'][0][0] == first and table['more']:
                break
            if time.monotonic() > deadline:
                fail('car %d: after 「前の周を表示」 the table begins at lap %s, not %d' % (
                    slot, table['rows'][:1], first))
            time.sleep(0.05)
        want = rows_of(api_laps(root, key, slot, first)['laps']) + want
        if table['rows'] != want:
            fail('car %d lap table %s..%s (%d rows), console %s..%s (%d)' % (
                slot, table['rows'][:1], table['rows'][-1:], len(table['rows']),
                want[:1], want[-1:], len(want)))
    asked = [urllib.parse.parse_qs(urllib.parse.urlsplit(u).query)['from'][0]
             for u in table['fetched']]
    if asked != [str(want[0][0] + PAGE_LAPS), str(want[0][0])]:
        fail('car %d: pages of older laps asked for from laps %s' % (slot, asked))
    print('car %d lap table: laps %d-%d, then pages from laps %s, each asked for once, agree with '
          '/api/laps' % (slot, car['laps'][0]['lap'], car['laps'][-1]['lap'], ', '.join(asked)),
          flush=True)


def measure_updates(driver, root, key, slot):
    """Times what each update takes the page to take in and draw while the car's message
    keeps changing; the page must follow the messages."""
    driver.execute_script(
        "window.kalteroRenderLog.length = 0; window.kalteroLongTasks = [];"
        "new PerformanceObserver(l => l.getEntries().forEach(e =>"
        "  window.kalteroLongTasks.push(Math.round(e.duration)))).observe({type: 'longtask'});")
    time.sleep(MEASURE_S)
    log = driver.execute_script("return window.kalteroRenderLog.slice();")
    longtasks = driver.execute_script("return window.kalteroLongTasks.slice();")
    times = sorted(e['ms'] for e in log if e['type'] == 'update')
    if len(times) < MEASURE_S * 5:
        fail('%d updates in %d s while car %d\'s message changes 20 times a second' % (
            len(times), MEASURE_S, slot))
    median, largest = times[len(times) // 2], times[-1]
    print('%d updates in %d s: taken in and drawn in median %.1f ms, largest %.1f ms '
          '(bounds %d and %d ms); long tasks of the page: %s' % (
              len(times), MEASURE_S, median, largest, RENDER_MEDIAN_MS, RENDER_LARGEST_MS,
              longtasks or 'none'), flush=True)
    said = next(c for c in api_race(root, key)['cars'] if c['slot'] == slot)['messageIn']
    deadline = time.monotonic() + SETTLE_S
    shown = None
    while time.monotonic() < deadline:
        shown = driver.execute_script(
            "return document.querySelector('#cars .car[data-slot=\"' + arguments[0] + '\"] "
            ".messages .in .val').textContent;", slot)
        # The car's messages count up: the page shows the console's message or a later one.
        if shown.startswith('OK ') and said.startswith('OK ') and int(shown[3:]) >= int(said[3:]):
            break
        time.sleep(0.05)
    else:
        fail('car %d message on the page %r, console %r' % (slot, shown, said))
    if median > RENDER_MEDIAN_MS or largest > RENDER_LARGEST_MS:
        fail('an update takes the page too long to draw')


def check_long_race(page_url):
    base = urllib.parse.urlsplit(page_url)
    key = urllib.parse.parse_qs(base.query)['key'][0]
    root = '%s://%s' % (base.scheme, base.netloc)
    race = api_race(root, key)
    first = LONG_RACE_LAPS - WINDOW_LAPS + 1
    if len(race['cars']) != 5:
        fail('/api/race carries %d cars, not the race\'s 5' % len(race['cars']))
    for c in race['cars']:
        laps = [lap['lap'] for lap in c['laps']]
        if c['lapCount'] != LONG_RACE_LAPS or c.get('lapsFrom') != first or \
                laps != list(range(first, LONG_RACE_LAPS + 1)):
            fail('car %d: /api/race carries laps %s..%s from %s of %d, not its latest %d of %d' % (
                c['slot'], laps[:1], laps[-1:], c.get('lapsFrom'), c['lapCount'], WINDOW_LAPS,
                LONG_RACE_LAPS))
    print('/api/race: %d cars of %d laps, each with its laps %d-%d, %d bytes' % (
        len(race['cars']), LONG_RACE_LAPS, first, LONG_RACE_LAPS,
        len(json.dumps(race, ensure_ascii=False).encode())), flush=True)
    slot = chatty_car(root, key)
    driver = browser(1280, 900)
    try:
        driver.get(page_url)
        wait_page(driver)
        race, page = agree(driver, root, key, 'the long race')
        whole = [e['ms'] for e in driver.execute_script("return window.kalteroRenderLog;")
                 if e['type'] == 'race']
        print('page shows the %d cars, %s laps, chart points at laps %d-%d; the whole race '
              'taken in and drawn in %s ms' % (
                  len(page['cars']), [c['lapCount'] for c in page['cars']],
                  page['cars'][0]['points'][0], page['cars'][0]['points'][-1],
                  ', '.join('%.1f' % ms for ms in whole)), flush=True)
        older_pages(driver, root, key, race, slot)
        measure_updates(driver, root, key, slot)
    finally:
        driver.quit()


def shoot(page_url, phone, wide):
    for path, (w, h) in ((phone, (360, 780)), (wide, (1920, 1080))):
        driver = browser(w, h)
        try:
            driver.get(page_url)
            wait_page(driver)
            time.sleep(0.5)
            driver.save_screenshot(path)
        finally:
            driver.quit()


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    if '--shot' in argv:
        i = argv.index('--shot')
        shoot(argv[1], argv[i + 1], argv[i + 2])
    elif '--long-race' in argv:
        check_long_race(argv[1])
    else:
        laps = int(argv[argv.index('--laps') + 1]) if '--laps' in argv else 2
        check_race(argv[1], laps)
    print('PASS', flush=True)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
