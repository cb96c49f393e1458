// The settings panel, built from the description the server sends (one entry per setting the camera
// has: name, kind, min, max, unit, enumerators, fields, value). A change is sent at once; the camera's
// value comes back to every tab, and a refusal shows the library's message under the setting.

function element(tag, props = {}, ...children) {
  const e = Object.assign(document.createElement(tag), props);
  e.append(...children);
  return e;
}

// Sliders over wide ranges (0.1 to 999 ms) move in equal ratios rather than equal steps.
function sliderScale(entry) {
  const logarithmic = entry.min > 0 && entry.max / entry.min >= 100;
  const steps = entry.kind === 'integer' && !logarithmic ? entry.max - entry.min : 1000;
  const toValue = (s) => {
    const t = s / steps;
    const v = logarithmic ? entry.min * Math.pow(entry.max / entry.min, t) : entry.min + (entry.max - entry.min) * t;
    return entry.kind === 'integer' ? Math.round(v) : Number(v.toPrecision(4));
  };
  const toSlider = (v) => {
    const t = logarithmic ? Math.log(v / entry.min) / Math.log(entry.max / entry.min) : (v - entry.min) / (entry.max - entry.min);
    return Math.round(Math.min(Math.max(t, 0), 1) * steps);
  };
  return { steps, toValue, toSlider };
}

export class SettingsPanel {
  constructor(container, send) {
    this.container = container;
    this.send = send;
    this.rows = new Map(); // name -> { show(value), message }
  }

  build(settings) {
    this.rows.clear();
    this.container.replaceChildren(...settings.map((entry) => this.row(entry)));
  }

  row(entry) {
    const message = element('div', { className: 'message' });
    const unit = entry.unit ? element('span', { className: 'unit', textContent: entry.unit }) : '';
    const label = element('div', { className: 'name', title: entry.help || '' }, element('span', { textContent: entry.name }), unit);
    const controls = element('div', { className: 'controls' });
    const change = (value) => {
      message.textContent = '';
      this.send({ type: 'set', name: entry.name, value });
    };
    let show;
    if (entry.kind === 'number' || entry.kind === 'integer') {
      const scale = sliderScale(entry);
      const slider = element('input', { type: 'range', min: 0, max: scale.steps, step: 1 });
      const input = element('input', { type: 'number', className: 'value', min: entry.min, max: entry.max,
        step: entry.kind === 'integer' ? 1 : 'any' });
      slider.addEventListener('input', () => { input.value = scale.toValue(Number(slider.value)); });
      slider.addEventListener('change', () => change(scale.toValue(Number(slider.value))));
      input.addEventListener('change', () => {
        if (input.value !== '') change(Number(input.value));
      });
      controls.append(slider, input);
      show = (v) => { input.value = v; slider.value = scale.toSlider(Number(v)); };
    } else if (entry.kind === 'bool') {
      const box = element('input', { type: 'checkbox', className: 'value' });
      box.addEventListener('change', () => change(box.checked));
      controls.append(box);
      show = (v) => { box.checked = !!v; };
    } else if (entry.kind === 'enum') {
      const select = element('select', { className: 'value' },
        ...entry.enumerators.map((n) => element('option', { value: n, textContent: n })));
      select.addEventListener('change', () => change(select.value));
      controls.append(select);
      show = (v) => { select.value = v; };
    } else if (entry.kind === 'list') {
      const input = element('input', { className: 'value list', title: `1 to ${entry.maxCount} values, comma-separated` });
      input.addEventListener('change', () => change(input.value.split(',').map((s) => Number(s.trim()))));
      controls.append(input);
      show = (v) => { input.value = (v || []).join(', '); };
    } else {
      // A structure: one whole number per member, sent together.
      const inputs = entry.fields.map((f) => element('input', { type: 'number', className: 'value', step: 1, name: f }));
      const send = () => change(Object.fromEntries(entry.fields.map((f, i) => [f, Number(inputs[i].value)])));
      inputs.forEach((i) => i.addEventListener('change', send));
      controls.append(element('div', { className: 'fields' },
        ...entry.fields.flatMap((f, i) => [element('label', { textContent: f }), inputs[i]])));
      show = (v) => entry.fields.forEach((f, i) => { inputs[i].value = v ? v[f] : ''; });
    }
    if (entry.value !== null && entry.value !== undefined) show(entry.value);
    if (entry.error) message.textContent = entry.error;
    this.rows.set(entry.name, { show, message });
    const row = element('div', { className: 'setting' }, label, controls, message);
    row.dataset.setting = entry.name;
    return row;
  }

  // The value the camera holds now.
  update(name, value) {
    const row = this.rows.get(name);
    if (row) row.show(value);
  }

  refused(name, text) {
    const row = this.rows.get(name);
    if (row) row.message.textContent = text;
    return !!row;
  }
}
