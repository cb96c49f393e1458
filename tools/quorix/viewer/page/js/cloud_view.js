// The coloured point cloud in 3D. The cloud is never built in JavaScript: the depth samples go straight
// into a GPU buffer and the vertex shader back-projects each one with the depth camera's intrinsics, moves
// it into the 2D camera's frame and samples the 2D image there, as the library does on the host.
import * as THREE from 'three';
import { OrbitControls } from '../vendor/OrbitControls.js';

const BACKGROUND = 0x000000;

const vertexShader = /* glsl */ `
in float depth;             // 16-bit sample, unitMm millimetres each; 0: nothing measured
uniform float unitMm;
uniform float step;         // the images hold every step-th pixel of the camera's
uniform vec4 depthCamera;   // fx, fy, cx, cy
uniform vec4 colorCamera;
uniform mat3 rotation;      // depth camera -> 2D camera
uniform vec3 translation;   // millimetres
uniform sampler2D colorImage;
uniform vec2 colorSize;
uniform float pointSize;
out vec3 vColor;
void main() {
  if (depth == 0.0) {
    gl_Position = vec4(2.0, 2.0, 2.0, 1.0);  // outside the clip volume: not drawn
    gl_PointSize = 0.0;
    return;
  }
  float d = depth * unitMm;
  vec2 pixel = position.xy * step;
  vec3 p = vec3((pixel.x - depthCamera.z) * d / depthCamera.x, (pixel.y - depthCamera.w) * d / depthCamera.y, d);
  vec3 q = rotation * p + translation;
  vec2 uv = vec2(q.x * colorCamera.x / q.z + colorCamera.z, q.y * colorCamera.y / q.z + colorCamera.w) / step;
  bool inside = q.z > 0.0 && uv.x >= 0.0 && uv.y >= 0.0 && uv.x <= colorSize.x - 1.0 && uv.y <= colorSize.y - 1.0;
  vColor = inside ? texture(colorImage, (uv + 0.5) / colorSize).rgb : vec3(0.55);
  gl_Position = projectionMatrix * modelViewMatrix * vec4(p, 1.0);
  gl_PointSize = pointSize;
}`;

const fragmentShader = /* glsl */ `
in vec3 vColor;
out vec4 outColor;
void main() { outColor = vec4(vColor, 1.0); }`;

export class CloudView {
  constructor(container) {
    this.container = container;
    this.renderer = new THREE.WebGLRenderer({ antialias: false });
    this.renderer.setPixelRatio(1);
    this.renderer.setClearColor(BACKGROUND);
    container.appendChild(this.renderer.domElement);
    this.scene = new THREE.Scene();
    this.camera = new THREE.PerspectiveCamera(50, 1, 10, 100000);
    this.controls = new OrbitControls(this.camera, this.renderer.domElement);
    this.controls.addEventListener('change', () => this.render());
    this.material = new THREE.ShaderMaterial({
      glslVersion: THREE.GLSL3,
      vertexShader,
      fragmentShader,
      uniforms: {
        unitMm: { value: 1 },
        step: { value: 1 },
        depthCamera: { value: new THREE.Vector4(1, 1, 0, 0) },
        colorCamera: { value: new THREE.Vector4(1, 1, 0, 0) },
        rotation: { value: new THREE.Matrix3() },
        translation: { value: new THREE.Vector3() },
        colorImage: { value: null },
        colorSize: { value: new THREE.Vector2(1, 1) },
        pointSize: { value: 2 },
      },
    });
    this.points = null;
    this.texture = null;
    this.density = 0; // 0: automatic (stepFor)
    this.grid = { width: 0, height: 0, step: 0 };
    this.middleDepth = 1000;
    this.hasView = false;
    new ResizeObserver(() => this.resize()).observe(container);
    this.resize();
  }

  // The calibration as `quorix info --json` writes it.
  setCalibration(calibration, resolution) {
    const u = this.material.uniforms;
    const c3 = calibration.camera3D, c2 = calibration.camera2D;
    u.depthCamera.value.set(c3.fx, c3.fy, c3.cx, c3.cy);
    u.colorCamera.value.set(c2.fx, c2.fy, c2.cx, c2.cy);
    const r = calibration.rotation;
    u.rotation.value.set(r[0][0], r[0][1], r[0][2], r[1][0], r[1][1], r[1][2], r[2][0], r[2][1], r[2][2]);
    u.translation.value.fromArray(calibration.translation);
    // The depth camera's own field of view, so that "reset" shows the cloud as the depth map.
    this.camera.fov = THREE.MathUtils.radToDeg(2 * Math.atan(resolution.image3DHeight / 2 / c3.fy));
    this.camera.updateProjectionMatrix();
  }

  setPointSize(size) {
    this.material.uniforms.pointSize.value = size;
    if (this.density === 0) this.grid.step = -1; // the automatic density follows the point size
    this.render();
  }

  setDensity(step) {
    this.density = step;
    this.grid.step = -1; // rebuild at the next frame
  }

  resetView() {
    // The depth camera looks along +z with y down; the scene is turned half round x so that up is up.
    this.camera.position.set(0, 0, 0);
    this.controls.target.set(0, 0, -this.middleDepth);
    this.controls.update();
    this.render();
  }

  // Automatically, about one point per square of pointSize pixels: what the screen can show, and no more
  // work for software renderers than that.
  stepFor(width, height) {
    if (this.density > 0) return this.density;
    const size = this.material.uniforms.pointSize.value;
    const squares = Math.max((this.renderer.domElement.width * this.renderer.domElement.height) / (size * size), 1);
    return Math.max(1, Math.floor(Math.sqrt((width * height) / squares)));
  }

  // Pixel coordinates of every drawn depth pixel: static, built again only when the size or density changes.
  buildGrid(width, height) {
    const step = this.stepFor(width, height);
    if (this.points && width === this.grid.width && height === this.grid.height && step === this.grid.step) return;
    if (this.points) {
      this.points.geometry.dispose();
      this.scene.remove(this.points);
    }
    const geometry = new THREE.BufferGeometry();
    const uv = new Uint16Array(width * height * 2);
    for (let v = 0, i = 0; v < height; v++)
      for (let u = 0; u < width; u++, i += 2) { uv[i] = u; uv[i + 1] = v; }
    geometry.setAttribute('position', new THREE.BufferAttribute(uv, 2));
    const depth = new THREE.BufferAttribute(new Uint16Array(width * height), 1);
    depth.setUsage(THREE.DynamicDrawUsage);
    geometry.setAttribute('depth', depth);
    if (step > 1) {
      const index = [];
      for (let v = 0; v < height; v += step) for (let u = 0; u < width; u += step) index.push(v * width + u);
      geometry.setIndex(new THREE.BufferAttribute(new Uint32Array(index), 1));
    }
    geometry.boundingSphere = new THREE.Sphere(new THREE.Vector3(), Infinity);
    this.points = new THREE.Points(geometry, this.material);
    this.points.frustumCulled = false;
    this.points.rotation.x = Math.PI;
    this.scene.add(this.points);
    this.grid = { width, height, step };
  }

  // rgba: the 2D image as RGBA bytes (shared with the 2D view).
  update(frame, rgba) {
    this.buildGrid(frame.depthWidth, frame.depthHeight);
    const depth = this.points.geometry.getAttribute('depth');
    depth.array = frame.depth;
    depth.needsUpdate = true;
    const u = this.material.uniforms;
    u.unitMm.value = frame.depthUnitMm;
    u.step.value = frame.step;
    if (!this.texture || this.texture.image.width !== frame.colorWidth || this.texture.image.height !== frame.colorHeight) {
      if (this.texture) this.texture.dispose();
      this.texture = new THREE.DataTexture(rgba, frame.colorWidth, frame.colorHeight, THREE.RGBAFormat);
      this.texture.minFilter = this.texture.magFilter = THREE.LinearFilter;
      this.texture.generateMipmaps = false;
      u.colorImage.value = this.texture;
      u.colorSize.value.set(frame.colorWidth, frame.colorHeight);
    }
    this.texture.image.data = rgba;
    this.texture.needsUpdate = true;
    if (frame.depthMaxMm > 0) this.middleDepth = (frame.depthMinMm + frame.depthMaxMm) / 2;
    if (!this.hasView && frame.depthMaxMm > 0) {
      this.hasView = true;
      this.resetView();
    }
    this.render();
  }

  resize() {
    const w = Math.max(this.container.clientWidth, 1), h = Math.max(this.container.clientHeight, 1);
    this.renderer.setSize(w, h, false);
    this.camera.aspect = w / h;
    this.camera.updateProjectionMatrix();
    this.render();
  }

  render() {
    this.renderer.render(this.scene, this.camera);
  }

  // Renders and counts the pixels that are not background (the drawing buffer is cleared after each task).
  countDrawnPixels() {
    this.render();
    const gl = this.renderer.getContext();
    const w = gl.drawingBufferWidth, h = gl.drawingBufferHeight;
    const pixels = new Uint8Array(w * h * 4);
    gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    let drawn = 0;
    for (let i = 0; i < pixels.length; i += 4) if (pixels[i] || pixels[i + 1] || pixels[i + 2]) drawn++;
    return { drawn, total: w * h };
  }
}
