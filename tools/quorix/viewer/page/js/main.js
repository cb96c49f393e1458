// quorix view's page: one WebSocket to the tool, which sends a frame each time the page asks for one.
import { decodeFrame } from './frame.js';
import { ImageViews } from './image_views.js';
import { CloudView } from './cloud_view.js';
import { SettingsPanel } from './settings_panel.js';

const $ = (id) => document.getElementById(id);

// What the page knows; window.viewer lets tests and curious users look in.
const viewer = {
  frames: 0,
  sequence: 0,
  fps: 0,
  lastFrameBytes: 0,
  stages: {},
  messages: [],
  settings: [],
  userSets: { current: '', names: [] },
  hello: null,
};
window.viewer = viewer;

const images = new ImageViews($('color-canvas'), $('depth-canvas'), $('legend-bar'), $('legend-ticks'));
const cloud = new CloudView($('cloud-canvas'));
viewer.countDrawnPixels = () => cloud.countDrawnPixels();

let socket = null;
const send = (message) => {
  if (socket && socket.readyState === WebSocket.OPEN) socket.send(JSON.stringify(message));
};
const panel = new SettingsPanel($('settings'), send);

function status(text, bad = false) {
  viewer.messages.push(text);
  if (viewer.messages.length > 50) viewer.messages.shift();
  $('status').replaceChildren(Object.assign(document.createElement('div'), { textContent: text, className: bad ? 'bad' : '' }));
}

// Frames shown in the last second.
const shownAt = [];
function countFrame(now) {
  shownAt.push(now);
  while (shownAt.length && now - shownAt[0] > 1000) shownAt.shift();
  viewer.fps = shownAt.length > 1 ? (1000 * (shownAt.length - 1)) / (now - shownAt[0]) : 0;
}

let askedAt = 0;
function askForFrame() {
  askedAt = performance.now();
  send({ type: 'next' });
}

function showFrame(buffer) {
  const arrived = performance.now();
  // Ask at once, so that the camera captures the next frame while this one is drawn.
  const waited = arrived - askedAt;
  askForFrame();
  let frame;
  try {
    frame = decodeFrame(buffer);
  } catch (e) {
    status(`bad frame: ${e.message}`, true);
    return;
  }
  const t0 = performance.now();
  const rgba = images.drawColor(frame);
  const t1 = performance.now();
  images.drawDepth(frame);
  const t2 = performance.now();
  cloud.update(frame, rgba);
  const t3 = performance.now();
  viewer.frames++;
  viewer.sequence = frame.sequence;
  viewer.lastFrameBytes = frame.bytes;
  const s = frame.times;
  viewer.stages = {
    '2D capture': s.capture2D, 'depth capture': s.captureDepth, encode: s.encode, send: s.send,
    wait: waited, '2D image': t1 - t0, 'depth image': t2 - t1, cloud: t3 - t2,
  };
  if (viewer.stageSums) {
    for (const [k, v] of Object.entries(viewer.stages)) viewer.stageSums[k] = (viewer.stageSums[k] || 0) + v;
    viewer.stageCount++;
  }
  countFrame(t3);
  $('fps').textContent = `${viewer.fps.toFixed(1)} fps`;
  $('stages').textContent = Object.entries(viewer.stages).map(([k, v]) => `${k} ${v.toFixed(1)}`).join(' · ') +
    ` ms · ${(frame.bytes / 1e6).toFixed(1)} MB/frame` + (frame.step > 1 ? ` (1/${frame.step})` : '');
}

// Full images up to 1280 pixels wide; wider ones at half size, which a page rarely shows larger.
function chooseStream() {
  let step = Number($('stream').value);
  if (step === 0) step = viewer.hello && viewer.hello.resolution.image2DWidth > 1280 ? 2 : 1;
  send({ type: 'stream', step });
}

function showUserSets(message) {
  viewer.userSets = message;
  const list = $('user-set-list');
  list.replaceChildren(...message.names.map((n) => Object.assign(document.createElement('option'), { value: n, textContent: n })));
  list.value = message.current;
  if (message.error) status(`user sets: ${message.error}`, true);
}

function received(text) {
  let m;
  try {
    m = JSON.parse(text);
  } catch {
    return;
  }
  switch (m.type) {
    case 'hello':
      viewer.hello = m;
      $('camera').textContent = `${m.identity.model} ${m.identity.id} · ${m.identity.ipAddress}:${m.identity.port} · ` +
        `2D ${m.resolution.image2DWidth}×${m.resolution.image2DHeight}, depth ${m.resolution.image3DWidth}×${m.resolution.image3DHeight}`;
      cloud.setCalibration(m.calibration, m.resolution);
      chooseStream();
      $('saves').replaceChildren(...m.saves.map((name) => {
        const button = Object.assign(document.createElement('button'), { textContent: name.split('.').pop().toUpperCase(), title: name });
        button.dataset.save = name;
        button.addEventListener('click', () => download(name));
        return button;
      }));
      break;
    case 'settings':
      viewer.settings = m.settings;
      panel.build(m.settings);
      break;
    case 'setting':
      panel.update(m.name, m.value);
      break;
    case 'refused':
      if (panel.refused(m.name, m.message)) viewer.messages.push(m.message);
      else status(m.message, true);
      break;
    case 'userSets':
      showUserSets(m);
      break;
    case 'status':
    case 'error':
      status(m.message, true);
      break;
  }
}

function download(name) {
  const link = Object.assign(document.createElement('a'), { href: `save/${name}?frame=${viewer.sequence}`, download: '' });
  document.body.append(link);
  link.click();
  link.remove();
}

function connect() {
  socket = new WebSocket(`${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/ws`);
  socket.binaryType = 'arraybuffer';
  socket.addEventListener('open', () => {
    status('connected');
    askForFrame();
  });
  socket.addEventListener('message', (e) => (typeof e.data === 'string' ? received(e.data) : showFrame(e.data)));
  socket.addEventListener('close', () => {
    status('connection to quorix view lost; retrying…', true);
    setTimeout(connect, 1000);
  });
}

$('reset-view').addEventListener('click', () => cloud.resetView());
$('point-size').addEventListener('input', (e) => cloud.setPointSize(Number(e.target.value)));
$('density').addEventListener('change', (e) => cloud.setDensity(Number(e.target.value)));
$('stream').addEventListener('change', chooseStream);
$('user-set-list').addEventListener('change', (e) => send({ type: 'userSet', action: 'select', name: e.target.value }));
$('user-set-save').addEventListener('click', () => send({ type: 'userSet', action: 'save' }));
$('user-set-add').addEventListener('click', () => {
  const name = $('user-set-name').value.trim();
  if (name) send({ type: 'userSet', action: 'add', name });
  $('user-set-name').value = '';
});
connect();
