// The tuning panel's page. It speaks JSON to the panel's HTTP server, which
// checks every request and turns it into tuning requests; nothing here knows
// how a request looks on the wire.
'use strict';

const $ = (id) => document.getElementById(id);

let config = null;
let logNext = 0;
let connected = false;
const rows = new Map();  // parameter id -> row

// What the page knows the effect holds, in the form the session features
// (session.js) keep and send: a parameter's value from its read-back, or the
// one the panel just set; the modes the panel selected last; the volume this
// page set (the tuning protocol reads no volume back). What is not known is
// absent.
const known = {parameters: {}, modes: {}, volume: undefined};

// The panel's own changes, each with the values before and after, go to
// these listeners (undo, A/B); each read-back, and each command the panel
// sent (its log), too.
const listeners = {change: [], readBack: [], sent: []};
const pageSetups = [];

function changed(before, after, label) {
  for (const listener of listeners.change) {
    listener(before, after, label);
  }
}

function emptyValues() {
  return {parameters: {}, modes: {}, volume: undefined};
}

// The values of a saved state file (its parameters list and modes).
function fromState(state) {
  const values = emptyValues();
  for (const entry of Array.isArray(state.parameters) ? state.parameters : []) {
    values.parameters[entry.id] = entry.value;
  }
  if (state.modes && typeof state.modes === 'object') {
    values.modes = JSON.parse(JSON.stringify(state.modes));
  }
  if (state.volume !== undefined) {
    values.volume = state.volume;
  }
  return values;
}

// The same keys as values, holding what the page knows now.
function knownFor(values) {
  const now = emptyValues();
  for (const id of Object.keys(values.parameters)) {
    now.parameters[id] = known.parameters[id];
  }
  for (const key of Object.keys(values.modes)) {
    now.modes[key] = known.modes[key] === undefined ? undefined
                                                    : JSON.parse(JSON.stringify(known.modes[key]));
  }
  if (values.volume !== undefined) {
    now.volume = known.volume;
  }
  return now;
}

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

// What the page says of commands the tuning protocol answers with no result:
// that they went, and nothing more.
function noResult(answer) {
  return 'sent; the tuning protocol returns no result for ' + answer.commands.join(', ');
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
    // The bar keeps its place when empty: nothing below it moves (a button
    // about to be clicked included) when a message comes or goes.
    element.className = 'message ' + (text === '' ? 'empty' : ok ? 'ok' : 'error');
    element.title = text;
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

// A select that shows "unknown" until the page knows what the effect holds.
function unselected(select) {
  const option = document.createElement('option');
  option.value = '';
  option.textContent = 'unknown';
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
// Each change is one step of the history: a drag from press to release, or
// one typed value (before: what current() knew when the change began).
function bindValue(sliderInput, numberInput, message, sendValue, current, step) {
  const sender = new ThrottledSender((item) => sendValue(item.value).then(() => {
    numberInput.classList.remove('invalid');
    if (item.typed) {
      sliderInput.value = Number(item.value);
      step(item.before, Number(item.value));
    }
  }, (error) => {
    numberInput.classList.add('invalid');
    throw error;
  }), config.throttleMs);
  let dragStart;
  sliderInput.addEventListener('input', () => {
    if (dragStart === undefined) {
      dragStart = {before: current()};
    }
    numberInput.value = sliderInput.value;
    sender.set({value: Number(sliderInput.value)});
  });
  // Released: the drag (or a key's move) is one step.
  sliderInput.addEventListener('change', () => {
    if (dragStart !== undefined) {
      step(dragStart.before, Number(sliderInput.value));
      dragStart = undefined;
    }
  });
  // Typed text goes as it is, once per edit (Enter or leaving the box): the
  // panel says what is wrong with it.
  let edited = false;
  numberInput.addEventListener('input', () => { edited = true; });
  const commit = () => {
    if (edited) {
      edited = false;
      sender.set({value: numberInput.value.trim(), typed: true, before: current()});
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
  number.placeholder = 'unknown';
  number.setAttribute('aria-label', parameter.label + ' value');
  const device = document.createElement('div');
  device.className = 'device';
  device.id = 'param-' + parameter.id + '-device';
  device.textContent = 'effect: unknown';
  row.classList.add('unknown');
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
      entry.lastSet = performance.now();
      known.parameters[parameter.id] = Number(value);
    });
  }, () => known.parameters[parameter.id], (before, after) => {
    if (before !== after) {
      changed({parameters: {[parameter.id]: before}, modes: {}},
              {parameters: {[parameter.id]: after}, modes: {}},
              parameter.label + ' ' + shown(after));
    }
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
  for (const id of ['output-mode', 'sound-mode', 'custom-first', 'custom-second']) {
    unselected($(id));
  }
  options($('log-tag'), config.logging.tags.map((tag) => ({value: tag, label: tag})));
  options($('log-level'), config.logging.levels.map((level) => ({
    value: level.value, label: level.value + ' ' + level.label})));
  options($('log-output'), config.logging.outputs.map((name) => ({value: name, label: name})));

  for (const [id, command, key] of [['output-mode', 'output-mode', 'outputMode'],
                                     ['sound-mode', 'sound-mode', 'soundMode']]) {
    $(id).addEventListener('change', (event) => {
      const mode = Number(event.target.value);
      const before = known.modes[key];
      send({command, mode}).then(() => {
        known.modes[key] = mode;
        changed({parameters: {}, modes: {[key]: before}}, {parameters: {}, modes: {[key]: mode}},
                command + ' ' + mode);
      }, () => {
        // Not sent: the box shows what the effect was last given.
        event.target.value = before === undefined ? '' : String(before);
      });
    });
  }
  $('custom-apply').addEventListener('click', () => {
    if ($('custom-first').value === '' || $('custom-second').value === '') {
      say(null, 'choose both output modes of the custom output mode first');
      return;
    }
    const mode = {first: Number($('custom-first').value), second: Number($('custom-second').value)};
    const before = known.modes.customOutputMode;
    send({command: 'custom-output-mode', ...mode}).then((answer) => {
      say(null, noResult(answer), true);
      known.modes.customOutputMode = mode;
      changed({parameters: {}, modes: {customOutputMode: before}},
              {parameters: {}, modes: {customOutputMode: mode}},
              'custom-output-mode ' + mode.first + ' ' + mode.second);
    }, () => {});
  });
  onClick('tag-apply', () => ({
    command: 'set-tag', outputMode: $('tag-om').value, soundMode: $('tag-sm').value,
    disable: $('tag-disable').value.trim(), enable: $('tag-enable').value.trim()}));

  // The volume is unknown until this page sets it: the protocol reads none back.
  slider($('volume-slider'), layout.volume);
  $('volume-number').value = '';
  $('volume-row').classList.add('unknown');
  bindValue($('volume-slider'), $('volume-number'), $('volume-msg'),
            (value) => send({command: 'volume', value}, $('volume-msg')).then(() => {
              known.volume = Number(value);
              $('volume-row').classList.remove('unknown');
            }), () => known.volume, (before, after) => {
              if (before !== after) {
                changed({parameters: {}, modes: {}, volume: before},
                        {parameters: {}, modes: {}, volume: after}, 'volume ' + shown(after));
              }
            });

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
  onClick('preset-load', () => ({command: 'load-preset', path: $('preset-path').value}));

  $('state-file').addEventListener('change', loadState);
  $('log-read-back').addEventListener('change', (event) =>
    document.querySelector('.log').classList.toggle('with-read-back', event.target.checked));
  $('log-clear').addEventListener('click', () => $('log').replaceChildren());
}

function onClick(id, request) {
  $(id).addEventListener('click', () => {
    send(request()).then((answer) => say(null, noResult(answer), true), () => {});
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
    const values = fromState(state);
    const before = knownFor(values);
    await post('/api/state', state);
    say(null, 'loaded ' + file.name + ': every value sent', true);
    showModes(state.modes || {});
    took(values);
    changed(before, values, 'state ' + file.name);
  } catch (error) {
    say(null, file.name + ': ' + error.message);
  }
}

// Values the panel just sent as a set (a state, A/B, undo): the page knows
// them and its controls show them.
function took(values) {
  const now = performance.now();
  for (const [id, value] of Object.entries(values.parameters)) {
    const entry = rows.get(Number(id));
    if (entry === undefined || value === undefined) {
      continue;
    }
    known.parameters[id] = value;
    entry.lastSet = now;
    entry.range.value = value;
    entry.number.value = shown(value);
  }
  for (const [key, value] of Object.entries(values.modes)) {
    if (value !== undefined) {
      known.modes[key] = JSON.parse(JSON.stringify(value));
    }
  }
  showModes(values.modes);
  if (values.volume !== undefined) {
    known.volume = values.volume;
    $('volume-slider').value = values.volume;
    $('volume-number').value = shown(values.volume);
    $('volume-row').classList.remove('unknown');
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
    entry.row.classList.remove('unknown');
    if (!recent) {
      known.parameters[value.id] = value.value;
    }
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
    if (entry.direction === 'sent' && !entry.readBack && entry.command) {
      for (const listener of listeners.sent) {
        listener(entry.command);
      }
    }
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
    for (const [key, value] of Object.entries(answer.modes)) {
      known.modes[key] = value;
    }
    showLog(answer.log);
    for (const listener of listeners.readBack) {
      listener();
    }
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
  for (const setup of pageSetups) {
    setup();
  }
  showConnection(config.connection);
  poll();
}

// After every script of the page has run (session.js adds its part).
document.addEventListener('DOMContentLoaded', start);
