// The tuning panel's page. It speaks JSON to the panel's HTTP server, which
// checks every request and turns it into tuning requests; nothing here knows
// how a request looks on the wire.
'use strict';

const $ = (id) => document.getElementById(id);

let config = null;
let logNext = 0;
let connected = false;
const rows = new Map();  // parameter id -> row

// --- Talking to the panel --------------------------------------------------

async function post(url, body) {
  let response;
  try {
    response = await fetch(url, {
      method: 'POST',
      headers: {'Content-Type': 'application/json'},
      body: JSON.stringify(body),
    });
  } catch (error) {
    throw new Error('the panel is not answering (' + error.message + ')');
  }
  const answer = await response.json().catch(() => ({ok: false, error: 'the panel gave no answer'}));
  if (answer.connection) {
    showConnection(answer.connection);
  }
  if (!answer.ok) {
    throw new Error(answer.error || ('HTTP ' + response.status));
  }
  return answer;
}

function send(body, where) {
  return post('/api/send', body).then(
      (answer) => { say(where, ''); return answer; },
      (error) => { say(where, error.message); throw error; });
}

// A message beside the control it is about, or at the top of the page.
function say(where, text, ok) {
  const element = where || $('message');
  element.textContent = text;
  if (element === $('message')) {
    element.hidden = text === '';
    element.className = 'message ' + (ok ? 'ok' : 'error');
  }
}

// --- Sending a dragged value: throttled, and the last value always goes ----

class ThrottledSender {
  constructor(sendValue, intervalMs) {
    this.sendValue = sendValue;
    this.intervalMs = intervalMs;
    this.pending = undefined;
    this.inFlight = false;
    this.lastSent = -Infinity;
    this.timer = null;
    this.lastChange = -Infinity;
  }
  set(value) {
    this.pending = value;
    this.lastChange = performance.now();
    this.pump();
  }
  busy() {
    return this.inFlight || this.pending !== undefined;
  }
  pump() {
    if (this.inFlight || this.pending === undefined) {
      return;
    }
    const wait = this.lastSent + this.intervalMs - performance.now();
    if (wait > 0) {
      if (this.timer === null) {
        this.timer = setTimeout(() => { this.timer = null; this.pump(); }, wait);
      }
      return;
    }
    const value = this.pending;
    this.pending = undefined;
    this.inFlight = true;
    this.lastSent = performance.now();
    this.sendValue(value).catch(() => {}).finally(() => {
      this.inFlight = false;
      this.pump();
    });
  }
}

function shown(value) {
  return String(Number(value.toPrecision(6)));
}

// --- Building the page from the layout ---------------------------------------

function options(select, choices) {
  select.replaceChildren(...choices.map((choice) => {
    const option = document.createElement('option');
    option.value = String(choice.value);
    option.textContent = choice.label;
    return option;
  }));
}

function unselected(select) {
  const option = document.createElement('option');
  option.value = '';
  option.textContent = '—';
  option.disabled = true;
  select.prepend(option);
  select.value = '';
}

function slider(input, range) {
  input.min = range.min;
  input.max = range.max;
  input.step = range.step;
}

// A slider and a number box that send one value, throttled while dragged.
function bindValue(sliderInput, numberInput, message, sendValue) {
  const sender = new ThrottledSender((value) => sendValue(value).then(() => {
    numberInput.classList.remove('invalid');
  }, (error) => {
    numberInput.classList.add('invalid');
    throw error;
  }), config.throttleMs);
  sliderInput.addEventListener('input', () => {
    numberInput.value = sliderInput.value;
    sender.set(Number(sliderInput.value));
  });
  // Typed text goes as it is, once per edit (Enter or leaving the box): the
  // panel says what is wrong with it.
  let edited = false;
  numberInput.addEventListener('input', () => { edited = true; });
  const commit = () => {
    if (edited) {
      edited = false;
      sender.set(numberInput.value.trim());
    }
  };
  numberInput.addEventListener('change', commit);
  numberInput.addEventListener('keydown', (event) => {
    if (event.key === 'Enter') {
      commit();
    }
  });
  return sender;
}

function parameterRow(parameter) {
  const row = document.createElement('div');
  row.className = 'param';
  row.dataset.id = parameter.id;
  const name = document.createElement('div');
  name.className = 'name';
  name.textContent = parameter.label + ' ';
  const unit = document.createElement('span');
  unit.className = 'unit';
  unit.textContent = parameter.unit;
  const pid = document.createElement('span');
  pid.className = 'pid';
  pid.textContent = 'id ' + parameter.id + ' · ' + shown(parameter.min) + ' … ' + shown(parameter.max);
  name.append(unit, pid);
  const range = document.createElement('input');
  range.type = 'range';
  range.id = 'param-' + parameter.id + '-slider';
  range.setAttribute('aria-label', parameter.label);
  slider(range, parameter);
  const number = document.createElement('input');
  number.type = 'text';
  number.className = 'number';
  number.inputMode = 'decimal';
  number.spellcheck = false;
  number.id = 'param-' + parameter.id + '-number';
  number.setAttribute('aria-label', parameter.label + ' value');
  const device = document.createElement('div');
  device.className = 'device';
  device.id = 'param-' + parameter.id + '-device';
  device.textContent = 'effect: …';
  const message = document.createElement('div');
  message.className = 'msg';
  message.id = 'param-' + parameter.id + '-msg';
  row.append(name, range, number, device, message);

  const entry = {row, range, number, device, message, lastSet: -Infinity, dragging: false,
                 filled: false};
  range.addEventListener('pointerdown', () => { entry.dragging = true; });
  window.addEventListener('pointerup', () => { entry.dragging = false; });
  entry.sender = bindValue(range, number, message, (value) => {
    entry.lastSet = performance.now();
    return send({command: 'set-param', id: parameter.id, value}, message).then(() => {
      if (typeof value === 'string') {
        range.value = value;
      }
    });
  });
  rows.set(parameter.id, entry);
  return row;
}

function buildPage() {
  const layout = config.layout;
  document.title = layout.title + ' · tuning panel';
  $('title').textContent = layout.title;
  const container = $('parameters');
  for (const group of layout.groups) {
    const card = document.createElement('div');
    card.className = 'card';
    const heading = document.createElement('h2');
    heading.textContent = group.name;
    card.append(heading, ...group.parameters.map(parameterRow));
    container.append(card);
  }

  for (const id of ['output-mode', 'custom-first', 'custom-second', 'tag-om']) {
    options($(id), layout.outputModes);
  }
  for (const id of ['sound-mode', 'tag-sm']) {
    options($(id), layout.soundModes);
  }
  unselected($('output-mode'));
  unselected($('sound-mode'));
  options($('log-tag'), config.logging.tags.map((tag) => ({value: tag, label: tag})));
  options($('log-level'), config.logging.levels.map((level) => ({
    value: level.value, label: level.value + ' ' + level.label})));
  options($('log-output'), config.logging.outputs.map((name) => ({value: name, label: name})));

  $('output-mode').addEventListener('change', (event) =>
    send({command: 'output-mode', mode: event.target.value}).catch(() => {}));
  $('sound-mode').addEventListener('change', (event) =>
    send({command: 'sound-mode', mode: event.target.value}).catch(() => {}));
  onClick('custom-apply', () => ({
    command: 'custom-output-mode', first: $('custom-first').value, second: $('custom-second').value}));
  onClick('tag-apply', () => ({
    command: 'set-tag', outputMode: $('tag-om').value, soundMode: $('tag-sm').value,
    disable: $('tag-disable').value.trim(), enable: $('tag-enable').value.trim()}));

  slider($('volume-slider'), layout.volume);
  $('volume-slider').value = layout.volume.max;
  $('volume-number').value = $('volume-slider').value;
  bindValue($('volume-slider'), $('volume-number'), $('volume-msg'),
            (value) => send({command: 'volume', value}, $('volume-msg')));

  onClick('log-level-apply', () => ({
    command: 'log-level', tag: $('log-tag').value, level: $('log-level').value}));
  const logOutput = (on) => () => ({
    command: 'log-output', output: $('log-output').value, on, path: $('log-path').value});
  onClick('log-output-on', logOutput(true));
  onClick('log-output-off', logOutput(false));
  onClick('recording-on', () => ({command: 'recording', on: true, path: $('recording-path').value}));
  onClick('recording-off', () => ({command: 'recording', on: false}));
  onClick('meters-on', () => ({command: 'meters', on: true}));
  onClick('meters-off', () => ({command: 'meters', on: false}));
  onClick('calibrate', () => ({command: 'calibrate'}));
  onClick('dump', () => ({command: 'dump'}));
  onClick('preset-load', () => ({command: 'load-preset', path: $('preset-path').value}),
          'preset loaded; the values read back follow');

  $('state-file').addEventListener('change', loadState);
  $('log-read-back').addEventListener('change', (event) =>
    document.querySelector('.log').classList.toggle('with-read-back', event.target.checked));
  $('log-clear').addEventListener('click', () => $('log').replaceChildren());
}

function onClick(id, request, done) {
  $(id).addEventListener('click', () => {
    send(request()).then(() => say(null, done || ($(id).textContent + ': sent'), true),
                         () => {});
  });
}

async function loadState(event) {
  const file = event.target.files[0];
  event.target.value = '';
  if (!file) {
    return;
  }
  let state;
  try {
    state = JSON.parse(await file.text());
  } catch (error) {
    say(null, file.name + ' is not a panel state (not JSON)');
    return;
  }
  try {
    await post('/api/state', state);
    say(null, 'loaded ' + file.name + ': every value sent', true);
    showModes(state.modes || {});
  } catch (error) {
    say(null, file.name + ': ' + error.message);
  }
}

// --- What the panel reports ----------------------------------------------------

function showConnection(connection) {
  connected = connection.connected;
  const element = $('connection');
  const target = 'tuning server ' + connection.target + ' (' + connection.dialect + ' dialect)';
  if (connected) {
    element.className = 'connection up';
    element.textContent = 'Connected to the ' + target;
  } else {
    element.className = 'connection down';
    element.textContent = 'No ' + target + ': ' + connection.reason +
        '. The controls are disabled until it answers; reconnecting by itself.';
  }
  enable(connected);
}

function enable(on) {
  for (const fieldset of document.querySelectorAll('fieldset.controls')) {
    fieldset.disabled = !on;
  }
}

function showModes(modes) {
  if (modes.outputMode !== undefined) {
    $('output-mode').value = String(modes.outputMode);
  }
  if (modes.soundMode !== undefined) {
    $('sound-mode').value = String(modes.soundMode);
  }
  if (modes.customOutputMode !== undefined) {
    $('custom-first').value = String(modes.customOutputMode.first);
    $('custom-second').value = String(modes.customOutputMode.second);
  }
}

// Values read back: shown beside each control; a control that is not being
// used follows the effect when the value was changed elsewhere (or never set
// here), and says so.
function showValues(values, issuedAt) {
  for (const value of values) {
    const entry = rows.get(value.id);
    if (!entry) {
      continue;
    }
    const recent = entry.lastSet > issuedAt || entry.sender.busy();
    entry.device.textContent = 'effect: ' + shown(value.value);
    const differs = value.differs && !recent;
    entry.row.classList.toggle('differs', differs);
    entry.device.title = differs ? 'changed elsewhere: the panel set ' + shown(value.sent) : '';
    if (differs) {
      entry.device.textContent += ' ≠ set ' + shown(value.sent);
    }
    const follow = !recent && !entry.dragging && document.activeElement !== entry.number &&
        (differs || value.sent === null || !entry.filled);
    if (follow) {
      entry.range.value = value.value;
      entry.number.value = shown(value.value);
      entry.filled = true;
    }
  }
}

function cell(row, text, className) {
  const td = document.createElement('td');
  td.textContent = text;
  if (className) {
    td.className = className;
  }
  row.append(td);
}

function showLog(log) {
  const body = $('log');
  const scroller = $('log-scroll');
  const atEnd = scroller.scrollTop + scroller.clientHeight >= scroller.scrollHeight - 4;
  for (const entry of log.entries) {
    const row = document.createElement('tr');
    row.className = entry.direction + (entry.readBack ? ' read-back' : '');
    cell(row, entry.time);
    cell(row, entry.dialect);
    cell(row, {sent: '→', received: '←', note: '·'}[entry.direction]);
    cell(row, entry.command);
    cell(row, entry.text, 'text');
    cell(row, entry.size ? entry.size + ' B: ' + entry.bytes : '', 'bytes');
    row.lastChild.title = row.lastChild.textContent;
    body.append(row);
  }
  while (body.rows.length > 1500) {
    body.deleteRow(0);
  }
  logNext = log.next;
  if (atEnd) {
    scroller.scrollTop = scroller.scrollHeight;
  }
}

async function poll() {
  const issuedAt = performance.now();
  try {
    const response = await fetch('/api/poll?log=' + logNext);
    const answer = await response.json();
    showConnection(answer.connection);
    showValues(answer.values, issuedAt);
    showModes(answer.modes);
    showLog(answer.log);
  } catch (error) {
    const element = $('connection');
    element.className = 'connection down';
    element.textContent = 'The panel itself is not answering (is veltra-tune panel running?)';
    enable(false);
  }
  setTimeout(poll, config ? config.readBackMs : 1000);
}

async function start() {
  try {
    config = await (await fetch('/api/config')).json();
  } catch (error) {
    $('connection').textContent = 'The panel is not answering; reload the page to try again.';
    return;
  }
  buildPage();
  showConnection(config.connection);
  poll();
}

start();
