// SPDX-License-Identifier: MIT
// The response plot on the page: the core's exact response of the current setting, computed
// from its coefficient rows in a fraction of a millisecond, so the plot follows a moving
// control at once. The figure's data-state is "drawn" once the latest setting is drawn, and
// "failed" (with the reason in the caption) when it could not be computed.
import { exactResponse, isSilent, peakOf } from './response_curve.js';
import { drawResponsePlot, kPlotTotalHeight, kPlotWidth } from './response_plot.js';

function hertzText(hz) {
  return hz >= 1000 ? `${(hz / 1000).toFixed(2)} kHz` : `${hz.toFixed(0)} Hz`;
}

export class ResponseView {
  // `engine`: a FilterEngine of the page, whose module computes the response.
  constructor(figure, canvas, caption, engine) {
    this.figure = figure;
    this.canvas = canvas;
    this.caption = caption;
    this.engine = engine;
    this.canvas.style.aspectRatio = `${kPlotWidth} / ${kPlotTotalHeight}`;
  }

  // `request`: { values, sampleRate, title, label }.
  show({ values, sampleRate, title, label }) {
    let response;
    try {
      response = exactResponse(this.engine, values, sampleRate);
    } catch (error) {
      this.caption.textContent = `The response could not be computed: ${error?.message ?? error}`;
      this.figure.dataset.state = 'failed';
      return;
    }
    drawResponsePlot(this.canvas, response, title, label);
    const peak = peakOf(response);
    const summary = isSilent(response)
      ? `${label}: no output at any frequency.`
      : `${label}: highest gain ${peak.db.toFixed(1)} dB at ${hertzText(peak.hz)}, at ${sampleRate} Hz.`;
    this.caption.textContent = summary;
    this.canvas.setAttribute('aria-label', `Magnitude response plot. ${summary}`);
    this.figure.dataset.state = 'drawn';
  }
}
