// The 2D image and the colourised depth map, each on a canvas, and the depth legend in millimetres.

// Blue (near) through cyan, green and yellow to red (far), as the tool's depth previews.
function ramp(t) {
  const stops = [[0, 0, 255], [0, 255, 255], [0, 255, 0], [255, 255, 0], [255, 0, 0]];
  const x = Math.min(Math.max(t, 0), 1) * (stops.length - 1);
  const i = Math.min(Math.floor(x), stops.length - 2);
  const f = x - i;
  return stops[i].map((c, k) => Math.round(c + (stops[i + 1][k] - c) * f));
}

// One RGBA pixel as a little-endian 32-bit word.
const rgba32 = (r, g, b) => ((255 << 24) | (b << 16) | (g << 8) | r) >>> 0;
const LUT = new Uint32Array(256).map((_, i) => rgba32(...ramp(i / 255)));
const BLACK = rgba32(0, 0, 0);

function fit(canvas, width, height) {
  if (canvas.width !== width || canvas.height !== height) {
    canvas.width = width;
    canvas.height = height;
  }
  return canvas.getContext('2d');
}

export class ImageViews {
  constructor(colorCanvas, depthCanvas, legendBar, legendTicks) {
    this.colorCanvas = colorCanvas;
    this.depthCanvas = depthCanvas;
    this.legendTicks = legendTicks;
    this.colorImage = null;
    this.depthImage = null;
    const bar = legendBar.getContext('2d');
    for (let x = 0; x < legendBar.width; x++) {
      const [r, g, b] = ramp(x / (legendBar.width - 1));
      bar.fillStyle = `rgb(${r},${g},${b})`;
      bar.fillRect(x, 0, 1, legendBar.height);
    }
    this.legendRange = '';
  }

  // Draws the 2D image and returns its pixels as RGBA bytes, which the cloud's texture shares.
  drawColor(frame) {
    const ctx = fit(this.colorCanvas, frame.colorWidth, frame.colorHeight);
    if (!this.colorImage || this.colorImage.width !== frame.colorWidth || this.colorImage.height !== frame.colorHeight)
      this.colorImage = ctx.createImageData(frame.colorWidth, frame.colorHeight);
    const src = frame.color;
    const out = new Uint32Array(this.colorImage.data.buffer);
    for (let i = 0, j = 0; i < out.length; i++, j += 3) out[i] = rgba32(src[j + 2], src[j + 1], src[j]);
    ctx.putImageData(this.colorImage, 0, 0);
    return this.colorImage.data;
  }

  drawDepth(frame) {
    const ctx = fit(this.depthCanvas, frame.depthWidth, frame.depthHeight);
    if (!this.depthImage || this.depthImage.width !== frame.depthWidth || this.depthImage.height !== frame.depthHeight)
      this.depthImage = ctx.createImageData(frame.depthWidth, frame.depthHeight);
    const out = new Uint32Array(this.depthImage.data.buffer);
    const depth = frame.depth;
    const low = frame.depthMinMm / frame.depthUnitMm;
    const span = Math.max((frame.depthMaxMm - frame.depthMinMm) / frame.depthUnitMm, 1);
    const scale = 255 / span;
    for (let i = 0; i < depth.length; i++) {
      const v = depth[i];
      out[i] = v === 0 ? BLACK : LUT[Math.min(255, Math.max(0, ((v - low) * scale) | 0))];
    }
    ctx.putImageData(this.depthImage, 0, 0);
    this.updateLegend(frame.depthMinMm, frame.depthMaxMm);
  }

  updateLegend(lo, hi) {
    const key = `${Math.round(lo)}-${Math.round(hi)}`;
    if (key === this.legendRange) return;
    this.legendRange = key;
    this.legendTicks.replaceChildren(...[0, 0.25, 0.5, 0.75, 1].map((t) => {
      const span = document.createElement('span');
      span.textContent = hi > 0 ? `${Math.round(lo + (hi - lo) * t)}` : '–';
      return span;
    }));
  }
}
