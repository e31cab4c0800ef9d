// SPDX-License-Identifier: MIT
// The seven controls, built from the core's parameter table: a labelled slider each, showing
// the core's own display text with its unit as it moves ("5101.878 Hz", "LowPass",
// "24 dB/Oct"), also given to assistive technology as the slider's value text. A stepped
// parameter's slider has one position per setting (five types, four slopes); the others have
// a thousand steps from 0 to 1. Arrow keys, Page Up/Down, Home and End move them.
//
// The page's FilterEngine is the model: it holds the values and the two programs as the
// plug-in does, and gives the texts at the sample rate the audio runs at.

const kContinuousSteps = 1000;

export class ParameterControls {
  // `onChange(index, value)` is called after the user moves a control.
  constructor(container, engine, onChange) {
    this.engine = engine;
    this.onChange = onChange;
    this.sampleRate = 44100;
    this.rows = [];
    for (let index = 0; index < engine.parameterCount; ++index) {
      const info = engine.parameterInfo(index);
      const steps = info.choices > 0 ? info.choices - 1 : kContinuousSteps;
      const id = `parameter-${info.symbol}`;
      const label = document.createElement('label');
      label.htmlFor = id;
      label.textContent = info.name;
      const slider = document.createElement('input');
      Object.assign(slider, { type: 'range', id, min: '0', max: String(steps), step: '1' });
      slider.dataset.index = String(index);
      const text = document.createElement('output');
      text.id = `${id}-text`;
      text.htmlFor = id;
      // The slider's value text already tells the text as it moves; the output (a live
      // region by its role) would tell it twice.
      text.setAttribute('aria-live', 'off');
      slider.addEventListener('input', () => this.moved(index));
      container.append(label, slider, text);
      this.rows.push({ info, steps, slider, text });
    }
    this.refresh();
  }

  // A choice's position selects it by the core's own value for it; the others are shares.
  moved(index) {
    const { info, slider, steps } = this.rows[index];
    const position = Number(slider.value);
    const value = info.choices > 0 ? this.engine.choiceValue(index, position) : position / steps;
    this.engine.setParameter(index, value);
    this.showTexts();
    this.onChange(index, value);
  }

  // Sliders and texts from the engine's values, the texts at `sampleRate` when given.
  refresh(sampleRate = this.sampleRate) {
    this.sampleRate = sampleRate;
    this.rows.forEach(({ info, slider, steps }, index) => {
      const value = this.engine.getParameter(index);
      const position = info.choices > 0 ? this.engine.choiceOf(index, value) : Math.round(value * steps);
      slider.value = String(position);
    });
    this.showTexts();
  }

  showTexts() {
    this.rows.forEach(({ slider, text }, index) => {
      const shown = this.engine.displayText(index, this.sampleRate);
      text.value = shown;
      slider.setAttribute('aria-valuetext', shown);
    });
  }

  // "Name: text" of every parameter away from its default, as the host labels its curves.
  describeChanges() {
    const changed = this.rows
      .filter(({ info }, index) => this.engine.getParameter(index) !== info.defaultValue)
      .map(({ info }) => `${info.name}: ${this.engine.displayText(info.index, this.sampleRate)}`);
    return changed.length > 0 ? changed.join(', ') : 'default settings';
  }

  setEnabled(enabled) {
    for (const { slider } of this.rows) slider.disabled = !enabled;
  }
}
