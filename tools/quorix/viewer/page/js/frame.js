// The binary frame message of quorix view: seventeen little-endian 4-byte header fields, the 2D image as
// B-G-R bytes, then the depth map as 16-bit samples of depthUnitMm millimetres (0: nothing measured).
// Pixel (i, j) of both images is pixel (step i, step j) of the camera's.
const MAGIC = 0x46565851; // "QXVF"

export function decodeFrame(buffer) {
  const h = new DataView(buffer);
  if (buffer.byteLength < 68 || h.getUint32(0, true) !== MAGIC) throw new Error('not a frame message');
  const u = (i) => h.getUint32(4 * i, true);
  const f = (i) => h.getFloat32(4 * i, true);
  const frame = {
    sequence: u(2),
    colorWidth: u(3), colorHeight: u(4),
    depthWidth: u(5), depthHeight: u(6),
    depthUnitMm: f(7), depthMinMm: f(8), depthMaxMm: f(9),
    times: { capture2D: f(10), captureDepth: f(11), encode: f(12), send: f(13) },
    step: u(16),
    bytes: buffer.byteLength,
  };
  const colorBytes = frame.colorWidth * frame.colorHeight * 3;
  const depthCount = frame.depthWidth * frame.depthHeight;
  if (u(14) + colorBytes > buffer.byteLength || u(15) + 2 * depthCount > buffer.byteLength || u(15) % 2)
    throw new Error('frame message shorter than its header says');
  frame.color = new Uint8Array(buffer, u(14), colorBytes);
  frame.depth = new Uint16Array(buffer, u(15), depthCount);
  return frame;
}
