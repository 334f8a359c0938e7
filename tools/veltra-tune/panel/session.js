// A tuning session on the panel's page: two sets of values to compare by ear
// (A/B), undo and redo of the panel's own changes, a saved state compared
// with the live values, and the session or a state as a veltra-tune command
// script. Values are kept as panel.js keeps them: {parameters: {id: value},
// modes: {outputMode, soundMode, customOutputMode}, volume}.
'use strict';

const session = {
  slots: {A: null, B: null},
  live: null,         // 'A' or 'B' after a switch
  liveChanged: false,  // a change made since
  undo: [],           // steps: {before, after, label, liveBefore, liveAfter}
  redo: [],
  applying: false,     // while the page sends a set of its own (no new step)
  compared: null,      // {name, values} of the file compared
  commands: [],        // every command the panel sent, in order
};

const MODE_KEYS = ['outputMode', 'soundMode', 'customOutputMode'];

function copyValues(values) {
  return JSON.parse(JSON.stringify(values));
}

function sameValue(a, b) {
  return JSON.stringify(a) === JSON.stringify(b);
}

// What target holds that differs from what the page knows: {before, after}
// with the same keys, or null when nothing differs. Keys the target leaves
// out, or does not know, are left alone.
function difference(target) {
  const before = emptyValues();
  const after = emptyValues();
  let any = false;
  for (const [id, value] of Object.entries(target.parameters)) {
    if (value !== undefined && rows.has(Number(id)) && known.parameters[id] !== value) {
      before.parameters[id] = known.parameters[id];
      after.parameters[id] = value;
      any = true;
    }
  }
  for (const key of MODE_KEYS) {
    const value = target.modes[key];
    if (value !== undefined && !sameValue(known.modes[key], value)) {
      before.modes[key] = known.modes[key];
      after.modes[key] = value;
      any = true;
    }
  }
  if (target.volume !== undefined && known.volume !== target.volume) {
    before.volume = known.volume;
    after.volume = target.volume;
    any = true;
  }
  return any ? {before, after} : null;
}

function countOf(values) {
  return Object.keys(values.parameters).length + Object.keys(values.modes).length +
      (values.volume === undefined ? 0 : 1);
}

// Sends what target holds that differs from the live values, as one request
// of the panel (one burst to the tuning server): the number of values sent.
async function sendDifference(target) {
  const change = difference(target);
  if (change === null) {
    return {count: 0, change};
  }
  const state = {
    parameters: Object.entries(change.after.parameters).map(([id, value]) => ({id: Number(id), value})),
    modes: change.after.modes,
  };
  if (change.after.volume !== undefined) {
    state.volume = change.after.volume;
  }
  session.applying = true;
  try {
    await post('/api/state', state);
  } finally {
    session.applying = false;
  }
  took(change.after);
  return {count: countOf(change.after), change};
}

function record(before, after, label) {
  if (session.applying) {
    return;
  }
  const liveBefore = {live: session.live, changed: session.liveChanged};
  if (session.live !== null) {
    session.liveChanged = true;
  }
  session.undo.push({before: copyValues(before), after: copyValues(after), label, liveBefore,
                     liveAfter: {live: session.live, changed: session.liveChanged}});
  session.redo = [];
  showSession();
}

// --- A/B ---------------------------------------------------------------------

function keep(slot) {
  const values = copyValues(known);
  session.slots[slot] = values;
  session.live = slot;
  session.liveChanged = false;
  say(null, 'kept the live values as ' + slot + ' (' + countOf(values) + ' values)', true);
  showSession();
}

async function switchAB() {
  if (!session.slots.A || !session.slots.B) {
    say(null, 'keep the live values as A and as B first');
    return;
  }
  const slot = session.live === 'A' ? 'B' : 'A';
  const liveBefore = {live: session.live, changed: session.liveChanged};
  try {
    const {count, change} = await sendDifference(session.slots[slot]);
    session.live = slot;
    session.liveChanged = false;
    if (change !== null) {
      session.undo.push({before: change.before, after: change.after, label: slot + ' live',
                         liveBefore, liveAfter: {live: slot, changed: false}});
      session.redo = [];
    }
    say(null, slot + ' is live: ' + (count ? count + ' values that differ sent' : 'no value differs'),
        true);
  } catch (error) {
    say(null, 'switching to ' + slot + ': ' + error.message);
  }
  showSession();
}

// --- Undo and redo -----------------------------------------------------------

async function step(from, to, side, word) {
  const entry = from.pop();
  if (entry === undefined) {
    return;
  }
  try {
    const {count} = await sendDifference(entry[side]);
    to.push(entry);
    const live = side === 'before' ? entry.liveBefore : entry.liveAfter;
    session.live = live.live;
    session.liveChanged = live.changed;
    say(null, word + ' ' + entry.label + (count ? '' : ' (nothing to send)'), true);
  } catch (error) {
    from.push(entry);
    say(null, word + ' ' + entry.label + ': ' + error.message);
  }
  showSession();
}

const undoStep = () => step(session.undo, session.redo, 'before', 'undid');
const redoStep = () => step(session.redo, session.undo, 'after', 'redid');

// --- Compare with a saved state ----------------------------------------------

function modeText(key, value) {
  if (value === undefined) {
    return 'unknown';
  }
  if (key === 'customOutputMode') {
    return value.first + ' → ' + value.second;
  }
  return String(value);
}

function compareRow(body, name, file, live, diff) {
  const row = document.createElement('tr');
  for (const text of [name, file, live, diff]) {
    const td = document.createElement('td');
    td.textContent = text;
    row.append(td);
  }
  row.className = diff === 'same' ? 'same' : 'differs';
  body.append(row);
}

function showCompare() {
  const compared = session.compared;
  $('compare-view').hidden = compared === null;
  if (compared === null) {
    return;
  }
  $('compare-name').textContent = compared.name;
  const body = $('compare-rows');
  body.replaceChildren();
  for (const group of config.layout.groups) {
    for (const parameter of group.parameters) {
      const file = compared.values.parameters[parameter.id];
      const live = known.parameters[parameter.id];
      let diff = 'same';
      if (file === undefined || live === undefined) {
        diff = 'unknown';
      } else if (file !== live) {
        diff = (file > live ? '+' : '') + shown(file - live);
      }
      compareRow(body, parameter.label + ' (id ' + parameter.id + ')',
                 file === undefined ? 'not in the file' : shown(file),
                 live === undefined ? 'unknown' : shown(live), diff);
    }
  }
  for (const [key, label] of [['outputMode', 'Output mode'], ['soundMode', 'Sound mode'],
                              ['customOutputMode', 'Custom output mode']]) {
    const file = compared.values.modes[key];
    const live = known.modes[key];
    if (file === undefined && live === undefined) {
      continue;
    }
    const diff = file === undefined || live === undefined ? 'unknown'
                                                           : sameValue(file, live) ? 'same' : 'differs';
    compareRow(body, label, file === undefined ? 'not in the file' : modeText(key, file),
               modeText(key, live), diff);
  }
}

async function compareFile(event) {
  const file = event.target.files[0];
  event.target.value = '';
  if (!file) {
    return;
  }
  try {
    const state = JSON.parse(await file.text());
    if (!state || !Array.isArray(state.parameters)) {
      throw new Error('no list of parameters');
    }
    session.compared = {name: file.name, values: fromState(state)};
    say(null, 'comparing with ' + file.name, true);
  } catch (error) {
    say(null, file.name + ' is not a panel state (' + error.message + ')');
  }
  showCompare();
}

async function applyCompared() {
  const compared = session.compared;
  const liveBefore = {live: session.live, changed: session.liveChanged};
  try {
    const {count, change} = await sendDifference(compared.values);
    if (change !== null) {
      if (session.live !== null) {
        session.liveChanged = true;
      }
      session.undo.push({before: change.before, after: change.after, label: compared.name,
                         liveBefore, liveAfter: {live: session.live, changed: session.liveChanged}});
      session.redo = [];
    }
    say(null, 'applied ' + compared.name + ': ' +
        (count ? count + ' values that differ sent' : 'no value differs'), true);
  } catch (error) {
    say(null, compared.name + ': ' + error.message);
  }
  showSession();
  showCompare();
}

// --- Replay as a veltra-tune command script ----------------------------------

function scriptHead(what) {
  return ['# ' + what + ', from veltra-tune panel (' + config.layout.title + ')',
          '# replay: veltra-tune --port PORT [--host HOST] < this-file'];
}

// Every command the panel sent, in order; the values a drag passed through
// are left out, only where it ended counts.
function sessionScript() {
  const lines = [];
  for (const command of session.commands) {
    const words = command.split(' ');
    const previous = lines.length ? lines[lines.length - 1].split(' ') : [];
    if (words[0] === 'set-param' && previous[0] === 'set-param' && previous[1] === words[1]) {
      lines.pop();
    }
    lines.push(command);
  }
  return scriptHead('the session\'s ' + lines.length + ' commands').concat(lines).join('\n') + '\n';
}

// The live values as commands: every known parameter in one set, the modes,
// the volume. A number's text is JavaScript's shortest that reads back to the
// same double, which veltra-tune reads as it is.
function stateScript() {
  const lines = [];
  const pairs = Object.entries(known.parameters).filter(([, value]) => value !== undefined)
      .map(([id, value]) => id + '=' + String(value));
  if (pairs.length) {
    lines.push('set-params ' + pairs.join(','));
  }
  if (known.modes.outputMode !== undefined) {
    lines.push('output-mode ' + known.modes.outputMode);
  }
  if (known.modes.soundMode !== undefined) {
    lines.push('sound-mode ' + known.modes.soundMode);
  }
  if (known.modes.customOutputMode !== undefined) {
    lines.push('custom-output-mode ' + known.modes.customOutputMode.first + ' ' +
               known.modes.customOutputMode.second);
  }
  if (known.volume !== undefined) {
    lines.push('volume ' + String(known.volume));
  }
  return scriptHead('the live values').concat(lines).join('\n') + '\n';
}

function showScript(text, fileName) {
  $('replay-script').value = text;
  $('replay-script').hidden = false;
  const link = $('replay-download');
  link.href = 'data:text/plain;charset=utf-8,' + encodeURIComponent(text);
  link.download = fileName;
  link.hidden = false;
}

// --- On the page -------------------------------------------------------------

function showSession() {
  const live = session.live === null ? 'neither' :
      session.live + (session.liveChanged ? ', changed since' : '');
  $('ab-live').textContent = 'Live: ' + live;
  $('ab-live').className = 'ab-live' + (session.live !== null && !session.liveChanged
                                            ? ' on' : '');
  for (const slot of ['A', 'B']) {
    const values = session.slots[slot];
    $('ab-' + slot.toLowerCase() + '-state').textContent =
        values === null ? slot + ': not kept' : slot + ': ' + countOf(values) + ' values';
  }
  const last = (list) => list.length ? list[list.length - 1].label : '';
  $('undo').disabled = session.undo.length === 0;
  $('redo').disabled = session.redo.length === 0;
  $('undo').title = last(session.undo) ? 'undo ' + last(session.undo) : 'nothing to undo';
  $('redo').title = last(session.redo) ? 'redo ' + last(session.redo) : 'nothing to redo';
  $('history').textContent = session.undo.length + ' steps to undo, ' + session.redo.length +
      ' to redo' + (last(session.undo) ? '; last: ' + last(session.undo) : '');
}

function typing(target) {
  return target instanceof HTMLInputElement && target.type !== 'range' && target.type !== 'checkbox' ||
      target instanceof HTMLTextAreaElement || target instanceof HTMLSelectElement;
}

function buildSession() {
  listeners.change.push(record);
  listeners.readBack.push(showCompare);
  listeners.sent.push((command) => session.commands.push(command));
  $('keep-a').addEventListener('click', () => keep('A'));
  $('keep-b').addEventListener('click', () => keep('B'));
  $('ab-switch').addEventListener('click', switchAB);
  $('undo').addEventListener('click', undoStep);
  $('redo').addEventListener('click', redoStep);
  $('compare-file').addEventListener('change', compareFile);
  $('compare-apply').addEventListener('click', applyCompared);
  $('script-session').addEventListener('click', () =>
    showScript(sessionScript(), 'veltra-session.txt'));
  $('script-state').addEventListener('click', () => showScript(stateScript(), 'veltra-state.txt'));
  // X switches A and B; Ctrl+Z undoes, Ctrl+Y or Ctrl+Shift+Z redoes (not
  // while typing, where they edit the text).
  document.addEventListener('keydown', (event) => {
    if (typing(event.target) || !connected) {
      return;
    }
    const key = event.key.toLowerCase();
    if (!event.ctrlKey && !event.metaKey && !event.altKey && key === 'x') {
      event.preventDefault();
      switchAB();
    } else if ((event.ctrlKey || event.metaKey) && key === 'z') {
      event.preventDefault();
      (event.shiftKey ? redoStep : undoStep)();
    } else if ((event.ctrlKey || event.metaKey) && key === 'y') {
      event.preventDefault();
      redoStep();
    }
  });
  showSession();
}

pageSetups.push(buildSession);
