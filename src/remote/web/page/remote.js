'use strict';
// The phone remote: one fader and link box per shown lamp, the group list, all kept
// in step with the panel over a WebSocket. The panel's state is the truth; the page
// only shows what it last heard, except for the fader under the operator's finger.
(function () {
  const MAX_LEVEL = 255;
  // Rows of lamps as on the panel: all in one row up to this many, else two rows.
  const MAX_ONE_ROW = 8;
  const MIN_COLUMN_PX = 46;
  const FADER_INSET_PX = 6;
  const RETRY_FIRST_MS = 250;
  const RETRY_MAX_MS = 4000;
  // After a finger lifts, its own last moves may still be on their way back.
  const SETTLE_MS = 300;

  const lampsBox = document.getElementById('lamps');
  const groupList = document.getElementById('group-list');
  const noGroups = document.getElementById('no-groups');
  const selectButton = document.getElementById('select-group');
  const deselectButton = document.getElementById('deselect-all');

  let socket = null;
  let retryMs = RETRY_FIRST_MS;
  let lamps = [];          // {fader, level, link, value, deskValue}
  let groups = [];
  let chosenGroup = -1;
  let draggedLamp = -1;

  function send(message) {
    if (socket && socket.readyState === WebSocket.OPEN)
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

  // What the panel says a lamp's level is; not shown while a finger holds the fader.
  function heardLevel(index, value) {
    if (!lamps[index])
      return;
    lamps[index].deskValue = value;
    if (index !== draggedLamp)
      showLevel(index, value);
  }

  function showLink(index, linked) {
    if (lamps[index])
      lamps[index].link.checked = linked;
  }

  function levelAt(fader, clientY) {
    const box = fader.getBoundingClientRect();
    const travel = box.height - 2 * FADER_INSET_PX;
    const fromBottom = box.bottom - FADER_INSET_PX - clientY;
    return Math.max(0, Math.min(MAX_LEVEL, Math.round(fromBottom / travel * MAX_LEVEL)));
  }

  function moveTo(index, value) {
    if (value === lamps[index].value)
      return;
    showLevel(index, value);
    send({ type: 'move', lamp: index, level: value });
  }

  function makeLamp(index) {
    const column = document.createElement('div');
    column.className = 'lamp';
    const name = document.createElement('div');
    name.className = 'name';
    name.textContent = 'LAMP' + index;
    const level = document.createElement('div');
    level.className = 'level';
    level.id = 'level' + index;
    level.textContent = '0';
    const fader = document.createElement('div');
    fader.className = 'fader';
    fader.id = 'lamp' + index;
    fader.tabIndex = 0;
    fader.setAttribute('role', 'slider');
    fader.setAttribute('aria-orientation', 'vertical');
    fader.setAttribute('aria-valuemin', '0');
    fader.setAttribute('aria-valuemax', String(MAX_LEVEL));
    fader.setAttribute('aria-label', 'LAMP' + index);
    fader.innerHTML = '<div class="fill"></div><div class="thumb"></div>';
    const linkBox = document.createElement('label');
    linkBox.className = 'link';
    const link = document.createElement('input');
    link.type = 'checkbox';
    link.id = 'link' + index;
    link.setAttribute('aria-label', 'Link LAMP' + index);
    linkBox.appendChild(link);
    column.append(name, level, fader, linkBox);

    fader.addEventListener('pointerdown', (event) => {
      fader.setPointerCapture(event.pointerId);
      draggedLamp = index;
      moveTo(index, levelAt(fader, event.clientY));
      event.preventDefault();
    });
    fader.addEventListener('pointermove', (event) => {
      if (draggedLamp === index && fader.hasPointerCapture(event.pointerId))
        moveTo(index, levelAt(fader, event.clientY));
    });
    // The fader ends at the panel's level, whatever moved it while the finger was down.
    const release = () => {
      if (draggedLamp !== index)
        return;
      draggedLamp = -1;
      setTimeout(() => {
        if (draggedLamp !== index && lamps[index])
          showLevel(index, lamps[index].deskValue);
      }, SETTLE_MS);
    };
    fader.addEventListener('pointerup', release);
    fader.addEventListener('pointercancel', release);
    fader.addEventListener('lostpointercapture', release);
    fader.addEventListener('keydown', (event) => {
      const steps = { ArrowUp: 1, ArrowRight: 1, ArrowDown: -1, ArrowLeft: -1,
                      PageUp: 16, PageDown: -16, Home: MAX_LEVEL, End: -MAX_LEVEL };
      if (!(event.key in steps))
        return;
      const value = lamps[index].value + steps[event.key];
      moveTo(index, Math.max(0, Math.min(MAX_LEVEL, value)));
      event.preventDefault();
    });
    link.addEventListener('change', () => send({ type: 'link', lamp: index, linked: link.checked }));

    lampsBox.appendChild(column);
    return { fader, level, link, value: 0, deskValue: 0 };
  }

  function layOutColumns() {
    const count = lamps.length;
    const perRow = count <= MAX_ONE_ROW ? count : Math.ceil(count / 2);
    const fits = Math.max(1, Math.floor(lampsBox.clientWidth / MIN_COLUMN_PX));
    lampsBox.style.setProperty('--columns', String(Math.max(1, Math.min(perRow, fits))));
  }

  function layOutLamps(count) {
    if (count !== lamps.length) {
      lampsBox.textContent = '';
      lamps = [];
      for (let i = 0; i < count; ++i)
        lamps.push(makeLamp(i));
    }
    layOutColumns();
  }

  function showGroups(names) {
    const chosenName = groups[chosenGroup];
    groups = names;
    chosenGroup = names.indexOf(chosenName);
    groupList.textContent = '';
    names.forEach((name, index) => {
      const item = document.createElement('li');
      item.setAttribute('role', 'option');
      item.id = 'group' + index;
      item.textContent = name;
      item.setAttribute('aria-selected', String(index === chosenGroup));
      item.addEventListener('click', () => chooseGroup(index));
      item.addEventListener('dblclick', () => { chooseGroup(index); selectGroup(); });
      groupList.appendChild(item);
    });
    noGroups.hidden = names.length > 0;
    selectButton.disabled = chosenGroup < 0;
  }

  function chooseGroup(index) {
    chosenGroup = index;
    for (const item of groupList.children)
      item.setAttribute('aria-selected', String(item.id === 'group' + index));
    selectButton.disabled = chosenGroup < 0;
  }

  function selectGroup() {
    if (chosenGroup >= 0)
      send({ type: 'selectGroup', index: chosenGroup, name: groups[chosenGroup] });
  }

  function receive(text) {
    let message;
    try {
      message = JSON.parse(text);
    } catch (e) {
      return;
    }
    if (message.type === 'state') {
      layOutLamps(message.lampCount);
      message.levels.forEach((value, i) => heardLevel(i, value));
      message.links.forEach((linked, i) => showLink(i, linked));
      showGroups(message.groups);
    } else if (message.type === 'update') {
      for (const [i, value] of message.levels)
        heardLevel(i, value);
      for (const [i, linked] of message.links)
        showLink(i, linked);
    }
  }

  function setOnline(online) {
    document.body.classList.toggle('offline', !online);
  }

  // After a restart of the panel the login is gone: back to the login page then.
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
    socket = new WebSocket(scheme + location.host + '/socket');
    socket.addEventListener('open', () => { retryMs = RETRY_FIRST_MS; setOnline(true); });
    socket.addEventListener('message', (event) => receive(event.data));
    socket.addEventListener('close', () => { socket = null; reconnectLater(); });
  }

  selectButton.addEventListener('click', selectGroup);
  deselectButton.addEventListener('click', () => send({ type: 'deselectAll' }));
  window.addEventListener('resize', layOutColumns);
  connect();
})();
