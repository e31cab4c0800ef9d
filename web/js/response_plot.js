// SPDX-License-Identifier: MIT
// Draws the response as `bramsoliket-host response` draws its plots
// (tools/response/response_plot.cpp): dB against a logarithmic frequency axis from 10 Hz to
// half the rate, every 1-2-5 frequency labelled and the other multiples faint, a line every 10 dB,
// the top 3 dB above the highest point rounded up to the grid and at most 100 dB shown, the
// curve in the host's first colour, the title above and the legend beneath. Where several
// points share a pixel column only the column's lowest and highest are drawn, in order. A
// response without output at any frequency is drawn along the bottom edge and named silent.
import { isSilent, kLowestHz } from './response_curve.js';

export const kPlotWidth = 1000;
const kPlotHeight = 620;
const kLeft = 80;
const kRight = 24;
const kTop = 48;
const kBottom = 64;
const kGridStepDb = 10;
const kDisplayedRangeDb = 100;
const kHeadroomDb = 3;
const kFontSize = 13;
const kLegendRowHeight = kFontSize + 6;
export const kPlotTotalHeight = kPlotHeight + kLegendRowHeight + 10 + 12;
export const kCurveColour = 'rgb(31, 120, 181)'; // the host's (0.12, 0.47, 0.71)

function frequencyText(hz) {
  return hz >= 1000 ? `${hz / 1000}k` : `${hz}`;
}

// The dB range the plot shows for the response.
export function plotRange(response) {
  let maxDb = -Infinity;
  let minDb = Infinity;
  response.decibels.forEach((db, k) => {
    if (response.frequencies[k] < kLowestHz || !Number.isFinite(db)) return;
    maxDb = Math.max(maxDb, db);
    minDb = Math.min(minDb, db);
  });
  if (maxDb < minDb) maxDb = minDb = 0;
  const topDb = Math.ceil((maxDb + kHeadroomDb) / kGridStepDb) * kGridStepDb;
  const bottomDb = Math.max(Math.floor(minDb / kGridStepDb) * kGridStepDb, topDb - kDisplayedRangeDb);
  return { topDb, bottomDb };
}

// Draws onto a canvas of kPlotWidth x kPlotTotalHeight CSS pixels (at the device's pixel
// ratio); `label` names the curve in the legend.
export function drawResponsePlot(canvas, response, title, label) {
  const ratio = globalThis.devicePixelRatio || 1;
  canvas.width = Math.round(kPlotWidth * ratio);
  canvas.height = Math.round(kPlotTotalHeight * ratio);
  const cr = canvas.getContext('2d');
  cr.setTransform(ratio, 0, 0, ratio, 0, 0);

  const nyquist = response.sampleRate / 2;
  const { topDb, bottomDb } = plotRange(response);
  const lowLog = Math.log10(kLowestHz);
  const highLog = Math.log10(nyquist);
  const x = (hz) => kLeft + ((Math.log10(hz) - lowLog) / (highLog - lowLog)) * (kPlotWidth - kLeft - kRight);
  const y = (db) => kTop + ((topDb - db) / (topDb - bottomDb)) * (kPlotHeight - kTop - kBottom);
  const right = kPlotWidth - kRight;
  const bottom = kPlotHeight - kBottom;
  const line = (x0, y0, x1, y1) => {
    cr.beginPath();
    cr.moveTo(x0, y0);
    cr.lineTo(x1, y1);
    cr.stroke();
  };
  const text = (value, tx, ty, alignX, baseline) => {
    cr.textAlign = alignX;
    cr.textBaseline = baseline;
    cr.fillText(value, tx, ty);
  };

  cr.fillStyle = '#fff';
  cr.fillRect(0, 0, kPlotWidth, kPlotTotalHeight);
  cr.font = `${kFontSize}px sans-serif`;
  cr.lineWidth = 1;
  for (let decade = 1; decade <= nyquist; decade *= 10) {
    for (let multiple = 1; multiple <= 9; ++multiple) {
      const hz = decade * multiple;
      if (hz < kLowestHz || hz > nyquist) continue;
      const labelled = multiple === 1 || multiple === 2 || multiple === 5;
      cr.strokeStyle = labelled ? 'rgb(204, 204, 204)' : 'rgb(235, 235, 235)';
      const column = Math.round(x(hz)) + 0.5;
      line(column, kTop, column, bottom);
      if (labelled) {
        cr.fillStyle = 'rgb(51, 51, 51)';
        text(frequencyText(hz), x(hz), bottom + 8, 'center', 'top');
      }
    }
  }
  for (let db = bottomDb; db <= topDb + 1e-9; db += kGridStepDb) {
    cr.strokeStyle = db === 0 ? 'rgb(140, 140, 140)' : 'rgb(204, 204, 204)';
    const row = Math.round(y(db)) + 0.5;
    line(kLeft, row, right, row);
    cr.fillStyle = 'rgb(51, 51, 51)';
    text(`${db}`, kLeft - 8, y(db), 'right', 'middle');
  }

  cr.save();
  cr.beginPath();
  cr.rect(kLeft, kTop, right - kLeft, bottom - kTop);
  cr.clip();
  cr.strokeStyle = kCurveColour;
  cr.lineWidth = 1.6;
  cr.lineJoin = 'round';
  cr.beginPath();
  if (isSilent(response)) {
    cr.moveTo(kLeft, bottom - 2);
    cr.lineTo(right, bottom - 2);
  } else {
    const floorDb = bottomDb - 2 * kGridStepDb;
    let started = false;
    let column = -1;
    let low = null;
    let high = null;
    const point = (p) => {
      if (started) cr.lineTo(p.x, y(p.db));
      else cr.moveTo(p.x, y(p.db));
      started = true;
    };
    const flush = () => {
      if (column < 0) return;
      const [first, second] = low.k <= high.k ? [low, high] : [high, low];
      point(first);
      if (low.k !== high.k) point(second);
    };
    response.decibels.forEach((value, k) => {
      const hz = response.frequencies[k];
      if (hz < kLowestHz) return;
      const p = { x: x(hz), db: Math.max(value, floorDb), k };
      const thisColumn = Math.floor(p.x);
      if (thisColumn !== column) {
        flush();
        column = thisColumn;
        low = high = p;
      } else if (p.db < low.db) {
        low = p;
      } else if (p.db > high.db) {
        high = p;
      }
    });
    flush();
  }
  cr.stroke();
  cr.restore();

  cr.strokeStyle = 'rgb(51, 51, 51)';
  cr.lineWidth = 1;
  cr.strokeRect(kLeft + 0.5, kTop + 0.5, right - kLeft - 1, bottom - kTop - 1);
  cr.fillStyle = 'rgb(51, 51, 51)';
  cr.font = `${kFontSize + 3}px sans-serif`;
  text(title, (kLeft + right) / 2, kTop / 2, 'center', 'middle');
  cr.font = `${kFontSize}px sans-serif`;
  text('Frequency (Hz)', (kLeft + right) / 2, kPlotHeight - 14, 'center', 'bottom');
  cr.save();
  cr.translate(18, (kTop + bottom) / 2);
  cr.rotate(-Math.PI / 2);
  text('Magnitude (dB)', 0, 0, 'center', 'middle');
  cr.restore();

  const legendLabel = isSilent(response) ? `${label} (silent: no output at any frequency)` : label;
  // As the host lays out its legend: entries as wide as the widest label allows, as many
  // columns as fit (here of one entry), the box around them.
  const available = kPlotWidth - kLeft - kRight - 16;
  const entryWidth = Math.min(available, cr.measureText(legendLabel).width + 38 + 16);
  const legendWidth = Math.min(available + 16, entryWidth * Math.max(1, Math.floor(available / entryWidth)) + 16);
  const rowY = kPlotHeight + 5 + kLegendRowHeight / 2;
  cr.strokeStyle = 'rgb(153, 153, 153)';
  cr.strokeRect(kLeft + 0.5, kPlotHeight + 0.5, legendWidth - 1, kLegendRowHeight + 10 - 1);
  cr.strokeStyle = kCurveColour;
  cr.lineWidth = 2.5;
  line(kLeft + 8, rowY, kLeft + 32, rowY);
  cr.fillStyle = 'rgb(26, 26, 26)';
  text(legendLabel, kLeft + 38, rowY, 'left', 'middle');
}
