'use strict';
// The phone remote: one fader and link box per shown lamp, the group list, all kept
// in step with the panel over a WebSocket. The panel's state is the truth; the page
// only shows what it last heard, except for a fader a finger is moving.
(function () {
  const MAX_LEVEL = 255;
  // Rows of lamps as on the panel: all in one row up to this many, else two rows.
  const MAX_ONE_ROW = 8;
  // A finger must move this far along a fader before it moves the level: a tap, or a
  // swipe that only grazes a fader, changes nothing.
  const SLOP_PX = 8;
  // Each level is this many pixels of finger travel, whatever the fader's size, so one
  // level is always reachable and a short fader loses nothing.
  const PX_PER_LEVEL = 1.5;
  // Page Up and Page Down move by the panel's step.
  const PAGE_STEP = 64;
  const RETRY_FIRST_MS = 250;
  const RETRY_MAX_MS = 4000;
  // The heartbeat: a ping a second, and a link silent for longer than this is dead.
  const PING_MS = 1000;
  const SILENCE_MS = 3000;
  // After a finger lifts, its own last moves may still be on their way back.
  const SETTLE_MS = 150;
  // Blackout comes on only for a press held this long; one press ends it.
  const BLACKOUT_HOLD_MS = 500;
  const MAX_FADE_S = 60;

  const lampsBox = document.getElementById('lamps');
  const groupList = document.getElementById('group-list');
  const noGroups = document.getElementById('no-groups');
  const selectButton = document.getElementById('select-group');
  const deselectButton = document.getElementById('deselect-all');
  const title = document.getElementById('title');
  const lookList = document.getElementById('look-list');
  const noLooks = document.getElementById('no-looks');
  const recallButton = document.getElementById('recall-look');
  const fadeTime = document.getElementById('fade-time');
  const blackoutButton = document.getElementById('blackout');
  const blackoutBar = document.getElementById('blackout-bar');

  let socket = null;
  let online = false;
  let lastHeard = 0;
  let retryMs = RETRY_FIRST_MS;
  let lamps = [];          // {fader, level, link, value, deskValue, held}
  let fadeEdited = false;
  let blackout = false;
  const drags = new Map(); // pointerId -> {index, y, from, moving}

  // Moves made while the link is down are dropped, never sent late.
  function send(message) {
    if (online && socket && socket.readyState === WebSocket.OPEN)
      socket.send(JSON.stringify(message));
  }

  function showLevel(index, value) {
    const lamp = lamps[index];
    if (!lamp)
      return;
    lamp.value = value;
    lamp.level.textContent = String(value);
    lamp.fader.style.setProperty('--level', String(value));
    lamp.fader.setAttribute('aria-valuenow', String(value));
  }

  // What the panel says a lamp's level is; not shown while a finger moves the fader.
  function heardLevel(index, value) {
    if (!lamps[index])
      return;
    lamps[index].deskValue = value;
    if (!lamps[index].held)
      showLevel(index, value);
  }

  function showLink(index, linked) {
    if (lamps[index])
      lamps[index].link.checked = linked;
  }

  function clampLevel(value) {
    return Math.max(0, Math.min(MAX_LEVEL, value));
  }

  function moveTo(index, value) {
    if (value === lamps[index].value)
      return;
    showLevel(index, value);
    send({ type: 'move', lamp: index, level: value });
  }

  // "200" is a level, "50%" a percentage of full, rounded as the panel rounds.
  function parseLevel(text) {
    const match = /^\s*(\d+(?:[.,]\d+)?)\s*(%?)\s*$/.exec(text);
    if (!match)
      return null;
    const number = Number(match[1].replace(',', '.'));
    if (match[2])
      return number <= 100 ? Math.round(number * MAX_LEVEL / 100) : null;
    return Number.isInteger(number) && number <= MAX_LEVEL ? number : null;
  }

  function typeLevel(index) {
    const lamp = lamps[index];
    const input = document.createElement('input');
    input.className = 'level-input';
    input.id = 'level-input' + index;
    input.inputMode = 'decimal';
    input.value = String(lamp.value);
    input.setAttribute('aria-label', lamp.fader.getAttribute('aria-label') + ' level');
    const done = (apply) => {
      if (!input.isConnected)
        return;
      const value = apply ? parseLevel(input.value) : null;
      input.replaceWith(lamp.level);
      if (value !== null)
        moveTo(index, value);
    };
    input.addEventListener('keydown', (event) => {
      if (event.key === 'Enter')
        done(true);
      else if (event.key === 'Escape')
        done(false);
    });
    input.addEventListener('blur', () => done(true));
    lamp.level.replaceWith(input);
    input.focus();
    input.select();
  }

  function release(event) {
    const drag = drags.get(event.pointerId);
    if (!drag)
      return;
    drags.delete(event.pointerId);
    const lamp = lamps[drag.index];
    if (!lamp || --lamp.held > 0)
      return;
    // The fader ends at the panel's level, whatever moved it while the finger was down.
    setTimeout(() => {
      if (lamps[drag.index] === lamp && !lamp.held)
        showLevel(drag.index, lamp.deskValue);
    }, SETTLE_MS);
  }

  function makeLamp(index, name) {
    const column = document.createElement('div');
    column.className = 'lamp';
    const caption = document.createElement('div');
    caption.className = 'name';
    const number = 'LAMP' + index;
    if (name) {
      const named = document.createElement('span');
      named.textContent = name;
      const small = document.createElement('small');
      small.textContent = number;
      caption.append(named, small);
    } else {
      caption.textContent = number;
    }
    const spoken = name ? number + ' ' + name : number;
    const level = document.createElement('button');
    level.type = 'button';
    level.className = 'level';
    level.id = 'level' + index;
    level.textContent = '0';
    level.setAttribute('aria-label', spoken + ' level, tap to type');
    const fader = document.createElement('div');
    fader.className = 'fader';
    fader.id = 'lamp' + index;
    fader.tabIndex = 0;
    fader.setAttribute('role', 'slider');
    fader.setAttribute('aria-orientation', 'vertical');
    fader.setAttribute('aria-valuemin', '0');
    fader.setAttribute('aria-valuemax', String(MAX_LEVEL));
    fader.setAttribute('aria-label', spoken);
    fader.innerHTML = '<div class="fill"></div><div class="thumb"></div>';
    const linkBox = document.createElement('label');
    linkBox.className = 'link';
    const link = document.createElement('input');
    link.type = 'checkbox';
    link.id = 'link' + index;
    link.setAttribute('aria-label', 'Link ' + spoken);
    linkBox.appendChild(link);
    column.append(caption, level, fader, linkBox);

    // Each finger moves its own fader, from where the level is, by how far it moves.
    fader.addEventListener('pointerdown', (event) => {
      fader.setPointerCapture(event.pointerId);
      drags.set(event.pointerId, { index, y: event.clientY, from: 0, moving: false });
      event.preventDefault();
    });
    fader.addEventListener('pointermove', (event) => {
      const drag = drags.get(event.pointerId);
      if (!drag)
        return;
      const lamp = lamps[index];
      if (!drag.moving) {
        if (Math.abs(event.clientY - drag.y) < SLOP_PX)
          return;
        // From here the level follows the finger's whole way from where it landed.
        drag.moving = true;
        drag.from = lamp.value;
        ++lamp.held;
      }
      moveTo(index, clampLevel(drag.from + Math.round((drag.y - event.clientY) / PX_PER_LEVEL)));
    });
    const end = (event) => {
      const drag = drags.get(event.pointerId);
      if (drag && !drag.moving)
        drags.delete(event.pointerId);
      else
        release(event);
    };
    fader.addEventListener('pointerup', end);
    fader.addEventListener('pointercancel', end);
    fader.addEventListener('lostpointercapture', end);
    fader.addEventListener('keydown', (event) => {
      const steps = { ArrowUp: 1, ArrowRight: 1, ArrowDown: -1, ArrowLeft: -1,
                      PageUp: PAGE_STEP, PageDown: -PAGE_STEP, Home: MAX_LEVEL, End: -MAX_LEVEL };
      if (!(event.key in steps))
        return;
      moveTo(index, clampLevel(lamps[index].value + steps[event.key]));
      event.preventDefault();
    });
    level.addEventListener('click', () => typeLevel(index));
    link.addEventListener('change', () => send({ type: 'link', lamp: index, linked: link.checked }));

    lampsBox.appendChild(column);
    return { fader, level, link, value: 0, deskValue: 0, held: 0 };
  }

  function layOutColumns() {
    const count = lamps.length;
    const perRow = count <= MAX_ONE_ROW ? count : Math.ceil(count / 2);
    lampsBox.style.setProperty('--columns', String(Math.max(1, perRow)));
    lampsBox.style.setProperty('--rows', String(count <= MAX_ONE_ROW ? 1 : 2));
  }

  function layOutLamps(names) {
    const key = JSON.stringify(names);
    if (key !== lampsBox.dataset.names) {
      lampsBox.dataset.names = key;
      lampsBox.textContent = '';
      lamps = names.map((name, i) => makeLamp(i, name));
      drags.clear();
    }
    layOutColumns();
  }

  // A list of names to choose one from, with the button that acts on the choice; the
  // choice is kept by name across changes of the list.
  function choiceList(list, empty, button, activate) {
    const choice = { names: [], chosen: -1 };
    const choose = (index) => {
      choice.chosen = index;
      Array.from(list.children).forEach((item, i) =>
        item.setAttribute('aria-selected', String(i === index)));
      button.disabled = index < 0;
    };
    choice.show = (names) => {
      const chosenName = choice.names[choice.chosen];
      choice.names = names;
      list.textContent = '';
      names.forEach((name, index) => {
        const item = document.createElement('li');
        item.setAttribute('role', 'option');
        item.id = list.id.replace('-list', '') + index;
        item.textContent = name;
        item.addEventListener('click', () => choose(index));
        item.addEventListener('dblclick', () => { choose(index); activate(); });
        list.appendChild(item);
      });
      empty.hidden = names.length > 0;
      choose(names.indexOf(chosenName));
    };
    return choice;
  }

  const groupChoice = choiceList(groupList, noGroups, selectButton, () => selectGroup());
  const lookChoice = choiceList(lookList, noLooks, recallButton, () => recallLook());

  function selectGroup() {
    const index = groupChoice.chosen;
    if (index >= 0)
      send({ type: 'selectGroup', index, name: groupChoice.names[index] });
  }

  function recallLook() {
    const index = lookChoice.chosen;
    const fade = Math.max(0, Math.min(MAX_FADE_S, Math.round(Number(fadeTime.value) * 10) / 10));
    if (index >= 0 && Number.isFinite(fade))
      send({ type: 'recall', index, name: lookChoice.names[index], fade });
  }

  function showBlackout(on) {
    blackout = on;
    document.body.classList.toggle('blackout', on);
    blackoutBar.hidden = !on;
    blackoutButton.setAttribute('aria-pressed', String(on));
  }

  // Held for BLACKOUT_HOLD_MS, so that a brush of a thumb does not put the stage dark;
  // a single press brings the lamps back.
  function watchBlackoutButton() {
    let timer = null;
    // The click that ends the press which turned blackout on must not turn it off.
    let held = false;
    const start = (event) => {
      if (blackout || timer)
        return;
      blackoutButton.classList.add('holding');
      timer = setTimeout(() => {
        timer = null;
        held = true;
        blackoutButton.classList.remove('holding');
        send({ type: 'blackout', on: true });
      }, BLACKOUT_HOLD_MS);
      event.preventDefault();
    };
    const stop = () => {
      if (timer) {
        clearTimeout(timer);
        timer = null;
        blackoutButton.classList.remove('holding');
      }
    };
    blackoutButton.addEventListener('pointerdown', start);
    blackoutButton.addEventListener('contextmenu', (event) => event.preventDefault());
    blackoutButton.addEventListener('keydown', (event) => {
      if ((event.key === 'Enter' || event.key === ' ') && !event.repeat)
        start(event);
    });
    for (const name of ['pointerup', 'pointerleave', 'pointercancel', 'keyup', 'blur'])
      blackoutButton.addEventListener(name, stop);
    blackoutButton.addEventListener('click', () => {
      if (held)
        held = false;
      else if (blackout)
        send({ type: 'blackout', on: false });
    });
  }

  function showView(looksShown) {
    document.getElementById('faders-view').hidden = looksShown;
    document.getElementById('looks-view').hidden = !looksShown;
    document.getElementById('faders-tab').setAttribute('aria-selected', String(!looksShown));
    document.getElementById('looks-tab').setAttribute('aria-selected', String(looksShown));
  }

  function receive(text) {
    let message;
    try {
      message = JSON.parse(text);
    } catch (e) {
      return;
    }
    if (message.type === 'state') {
      const names = message.names || [];
      layOutLamps(Array.from({ length: message.lampCount }, (_, i) => names[i] || ''));
      message.levels.forEach((value, i) => heardLevel(i, value));
      message.links.forEach((linked, i) => showLink(i, linked));
      groupChoice.show(message.groups);
      lookChoice.show(message.looks || []);
      if (!fadeEdited && typeof message.fadeTime === 'number')
        fadeTime.value = String(message.fadeTime);
      showBlackout(message.blackout === true);
      const name = message.panel || 'Kelvaris Control Panel';
      title.textContent = name;
      document.title = name;
    } else if (message.type === 'update') {
      for (const [i, value] of message.levels)
        heardLevel(i, value);
      for (const [i, linked] of message.links)
        showLink(i, linked);
      if (typeof message.blackout === 'boolean')
        showBlackout(message.blackout);
    }
  }

  function setOnline(state) {
    online = state;
    document.body.classList.toggle('offline', !state);
  }

  // After a restart of the panel a login may be gone: back to the login page then.
  function reconnectLater() {
    setOnline(false);
    setTimeout(() => {
      fetch('/', { cache: 'no-store', credentials: 'same-origin' })
        .then((response) => {
          if (response.headers.get('X-Kelvaris-Page') === 'login')
            location.replace('/');
          else
            connect();
        })
        .catch(() => reconnectLater());
    }, retryMs);
    retryMs = Math.min(RETRY_MAX_MS, retryMs * 2);
  }

  function connect() {
    const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
    const ws = new WebSocket(scheme + location.host + '/socket');
    socket = ws;
    ws.addEventListener('open', () => {
      if (ws !== socket)
        return;
      retryMs = RETRY_FIRST_MS;
      lastHeard = Date.now();
      setOnline(true);
    });
    ws.addEventListener('message', (event) => {
      if (ws !== socket)
        return;
      lastHeard = Date.now();
      receive(event.data);
    });
    ws.addEventListener('close', () => {
      if (ws !== socket)
        return;
      socket = null;
      reconnectLater();
    });
  }

  // A panel that stops answering (stopped, a cable pulled) shows at once as a dead
  // link, and its socket is given up, so nothing waits in it to arrive late.
  setInterval(() => {
    if (!socket || socket.readyState !== WebSocket.OPEN)
      return;
    if (Date.now() - lastHeard > SILENCE_MS) {
      const dead = socket;
      socket = null;
      dead.close();
      reconnectLater();
      return;
    }
    send({ type: 'ping' });
  }, PING_MS);

  selectButton.addEventListener('click', selectGroup);
  recallButton.addEventListener('click', recallLook);
  fadeTime.addEventListener('input', () => { fadeEdited = true; });
  document.getElementById('store-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const name = document.getElementById('look-name');
    if (name.value.trim()) {
      send({ type: 'store', name: name.value });
      name.value = '';
    }
  });
  document.getElementById('faders-tab').addEventListener('click', () => showView(false));
  document.getElementById('looks-tab').addEventListener('click', () => showView(true));
  watchBlackoutButton();
  deselectButton.addEventListener('click', () => send({ type: 'deselectAll' }));
  window.addEventListener('resize', layOutColumns);
  connect();
})();
