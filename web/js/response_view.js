// SPDX-License-Identifier: MIT
// The response plot on the page: measurements run in response_worker.js, one at a time, and
// while one runs only the latest request waits, so the plot follows a moving control without
// a queue building up. The figure's data-state is "measuring" until the latest request is
// drawn, then "drawn".
import { drawResponsePlot, kPlotTotalHeight, kPlotWidth } from './response_plot.js';

function peakOf(response) {
  const binHz = response.sampleRate / response.fftSize;
  let peak = { db: -Infinity, hz: 0 };
  response.decibels.forEach((db, k) => {
    if (k * binHz >= 10 && db > peak.db) peak = { db, hz: k * binHz };
  });
  return peak;
}

function hertzText(hz) {
  return hz >= 1000 ? `${(hz / 1000).toFixed(2)} kHz` : `${hz.toFixed(0)} Hz`;
}

export class ResponseView {
  constructor(figure, canvas, caption, module) {
    this.figure = figure;
    this.canvas = canvas;
    this.caption = caption;
    this.canvas.style.aspectRatio = `${kPlotWidth} / ${kPlotTotalHeight}`;
    this.worker = new Worker(new URL('./response_worker.js', import.meta.url), { type: 'module' });
    this.worker.postMessage({ type: 'module', module });
    this.worker.onmessage = ({ data }) => this.received(data);
    this.worker.onerror = (event) => this.failed(event.message || 'the response worker failed to start');
    this.running = null;
    this.waiting = null;
    this.nextId = 1;
  }

  // `request`: { values, sampleRate, title, label }.
  show(request) {
    this.waiting = request;
    this.figure.dataset.state = 'measuring';
    if (!this.running) this.startNext();
  }

  startNext() {
    this.running = { ...this.waiting, id: this.nextId++ };
    this.waiting = null;
    const { id, values, sampleRate } = this.running;
    this.worker.postMessage({ type: 'measure', id, values, sampleRate });
  }

  received(message) {
    const request = this.running;
    if (!request || message.id !== request.id) return;
    this.running = null;
    if (message.type === 'response') {
      const { response } = message;
      drawResponsePlot(this.canvas, response, request.title, request.label);
      const peak = peakOf(response);
      const summary = Number.isFinite(peak.db) && peak.db > -400
        ? `${request.label}: highest gain ${peak.db.toFixed(1)} dB at ${hertzText(peak.hz)}, measured at ${response.sampleRate} Hz.`
        : `${request.label}: no output at any frequency.`;
      this.caption.textContent = summary;
      this.canvas.setAttribute('aria-label', `Magnitude response plot. ${summary}`);
    } else {
      this.failed(message.message);
    }
    if (this.waiting) this.startNext();
    else this.figure.dataset.state = message.type === 'response' ? 'drawn' : 'failed';
  }

  failed(reason) {
    this.caption.textContent = `The response could not be measured: ${reason}`;
    this.figure.dataset.state = 'failed';
  }
}
