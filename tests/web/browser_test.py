#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The web page in Debian's headless Chromium, served from 127.0.0.1 as a user serves it:

- the self-test's hash equals the hash of the VST module's render of the same file and
  setting (bramsoliket-host render), for several settings at 44.1 and 48 kHz, mono and
  16-bit files, and files shorter than a render quantum; of a stereo file, each channel
  equals the host's render of that channel alone;
- the self-test reports its failures;
- the page after loading a file: labelled controls with the native module's texts at the
  file's rate, the programs, the response plot; a screenshot, kept in the artifacts folder,
  shows the controls and the plotted curve;
- the keyboard moves the controls, and the texts and the plot follow;
- the saved render of a stereo file equals the native renders of its channels at the
  page's setting;
- live playback runs the filter and moves the meter;
- clear messages for a file that does not decode and a browser without AudioWorklet.

Ends with the line "web-browser: N passed, N failed".
"""

import argparse
import base64
import json
import struct
import os
import subprocess
import sys
import tempfile
import time
import traceback
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import audio_fixtures  # noqa: E402
from cdp_browser import Browser  # noqa: E402
from site_server import SiteServer  # noqa: E402

SETTINGS = [
    {},
    {0: 0.3, 3: 0.25},                                  # high-pass
    {0: 0.2, 1: 0.9, 4: 1},                             # resonant low-pass, 48 dB/Oct
    {0: 0.45, 1: 0.5, 3: 0.5, 4: 0.34},                 # band-pass, 24 dB/Oct
    {0: 0.35, 1: 0.95, 3: 0.75, 6: 0.8},                # resonant peak, louder
    {0: 0.9, 2: 0, 5: 0.5, 6: 0.3},                     # no glide, half dry
    {0: 0.05, 2: 0.6, 3: 0.25, 4: 0.67},                # a slow glide across the rows
    {3: 1, 6: 0.75},                                    # straight through
]


class Checks:
    def __init__(self, name):
        self.name = name
        self.failures = []

    def expect(self, condition, message):
        if not condition:
            self.failures.append(message)

    def equal(self, actual, expected, what):
        self.expect(actual == expected, f"{what}: {actual!r}, expected {expected!r}")


class Suite:
    def __init__(self, options):
        self.options = options
        self.inputs = tempfile.mkdtemp(prefix="bramsoliket-web-inputs-")
        self.downloads = tempfile.mkdtemp(prefix="bramsoliket-web-downloads-")
        os.makedirs(options.artifacts, exist_ok=True)
        self.server = SiteServer(options.site, self.inputs)
        self.browser = Browser()
        self.passed = 0
        self.failed = 0

    def close(self):
        self.browser.close()
        self.server.close()
        subprocess.run(["rm", "-rf", self.inputs, self.downloads], check=False)

    def run(self, test):
        checks = Checks(test.__name__)
        started = time.monotonic()
        try:
            test(self, checks)
        except Exception:  # a test that broke counts as failed, with its trace
            checks.failures.append(traceback.format_exc().strip())
        seconds = time.monotonic() - started
        if checks.failures:
            self.failed += 1
            print(f"FAIL {checks.name} ({seconds:.1f} s)")
            for failure in checks.failures:
                print("    " + failure.replace("\n", "\n    "))
        else:
            self.passed += 1
            print(f"ok   {checks.name} ({seconds:.1f} s)")
        sys.stdout.flush()

    # Inputs and the native side.

    def input_file(self, name, rate, channels, encoding="float"):
        path = os.path.join(self.inputs, name)
        if not os.path.exists(path):
            audio_fixtures.write_wav(path, rate, channels, encoding)
        return path

    def native_hash(self, source, settings):
        output = os.path.join(self.inputs, "native.wav")
        audio_fixtures.native_render(self.options.host, self.options.module, source, output, settings)
        frames, digest = audio_fixtures.stereo_float_hash(output)
        os.remove(output)
        return f"frames {frames} hash {digest}"

    def native_channels_hash(self, left, right, settings):
        """The hash of a stereo render whose channels are the native renders of the mono files
        `left` and `right`, each in a module of its own."""
        outputs = [os.path.join(self.inputs, f"native-{side}.wav") for side in ("left", "right")]
        for source, output in zip((left, right), outputs):
            audio_fixtures.native_render(self.options.host, self.options.module, source, output, settings)
        frames, digest = audio_fixtures.left_of_renders_hash(*outputs)
        for output in outputs:
            os.remove(output)
        return f"frames {frames} hash {digest}"

    def native_texts(self, rate, settings):
        command = [self.options.host, "info", "--plugin", self.options.module, "--json", "--rate", str(rate)]
        for index in sorted(settings):
            command += ["--set", f"{index}={settings[index]}"]
        info = json.loads(subprocess.run(command, check=True, capture_output=True, text=True).stdout)
        # The field without padding, then the unit; the type's name stands alone.
        return [p["display"].strip() if p["name"] == "Type" else f"{p['display'].strip()} {p['label']}"
                for p in info["parameters"]]

    # The page.

    def self_test(self, query, timeout=120):
        page = self.browser.new_page()
        try:
            page.open(self.server.url + "index.html?" + query)
            return page.wait_until(
                "(t => t !== 'pending' && t)(document.getElementById('selftest').textContent)", timeout)
        finally:
            page.close()

    def page_with_file(self, path, before_scripts=()):
        page = self.browser.new_page()
        page.open(self.server.url, before_scripts)
        page.wait_until("document.getElementById('status').textContent.startsWith('Open')")
        page.set_file("#file", path)
        page.wait_until("document.getElementById('status').textContent.startsWith('Loaded')")
        wait_for_plot(page)
        return page


def query_of(name, settings):
    return "selftest&input=inputs/" + name + "".join(f"&p{i}={v}" for i, v in sorted(settings.items()))


def wait_for_plot(page):
    page.wait_until("document.getElementById('response').dataset.state === 'drawn'")


def texts_on(page):
    return page.evaluate("[...document.querySelectorAll('#parameters output')].map(o => o.value)")


def compare_self_tests(suite, checks, name, path, settings_list):
    for settings in settings_list:
        expected = suite.native_hash(path, settings)
        actual = suite.self_test(query_of(name, settings))
        checks.equal(actual, expected, f"{name} with {settings}")


# The self-test against native renders.

def test_self_test_equals_native_render_mono_float_44100(suite, checks):
    path = suite.input_file("mono-44100.wav", 44100, [audio_fixtures.music_like(44100, 2.5, 1)])
    compare_self_tests(suite, checks, "mono-44100.wav", path, SETTINGS)


def test_self_test_equals_native_render_mono_float_48000(suite, checks):
    path = suite.input_file("mono-48000.wav", 48000, [audio_fixtures.music_like(48000, 2.5, 2)])
    compare_self_tests(suite, checks, "mono-48000.wav", path, SETTINGS)


def stereo_file(suite):
    """A stereo file with different channels, and each channel as a mono file."""
    left = audio_fixtures.music_like(48000, 1.5, 3)
    right = [0.6 * value for value in audio_fixtures.music_like(48000, 1.5, 4)]
    return (suite.input_file("stereo-48000.wav", 48000, [left, right]),
            suite.input_file("stereo-left-48000.wav", 48000, [left]),
            suite.input_file("stereo-right-48000.wav", 48000, [right]))


def test_self_test_of_a_stereo_file_filters_each_channel_as_the_host_filters_it_alone(suite, checks):
    _, left, right = stereo_file(suite)
    for settings in SETTINGS[:4] + SETTINGS[6:7]:
        checks.equal(suite.self_test(query_of("stereo-48000.wav", settings)),
                     suite.native_channels_hash(left, right, settings), f"stereo-48000.wav with {settings}")


def test_self_test_equals_native_render_pcm16_44100(suite, checks):
    path = suite.input_file("pcm16-44100.wav", 44100, [audio_fixtures.music_like(44100, 1.5, 5)], "pcm16")
    compare_self_tests(suite, checks, "pcm16-44100.wav", path, SETTINGS[:4])


DECODED_SAMPLES = """
(async (url, rate) => {
  const bytes = await (await fetch(url)).arrayBuffer();
  const buffer = await new OfflineAudioContext(1, 1, rate).decodeAudioData(bytes);
  const samples = buffer.getChannelData(0);
  let text = '';
  const raw = new Uint8Array(samples.buffer, samples.byteOffset, samples.byteLength);
  for (let i = 0; i < raw.length; i += 8192) text += String.fromCharCode(...raw.subarray(i, i + 8192));
  return {rate: buffer.sampleRate, channels: buffer.numberOfChannels, samples: btoa(text)};
})
"""


def test_self_test_of_a_flac_file_decoded_by_the_browser_at_its_own_rate(suite, checks):
    # The browser decodes what is not WAV, in a context at the rate the header gives: a
    # 96 kHz FLAC file keeps its frames, and the render equals the native render of the
    # samples the browser decoded (its integer scaling is its own, see wav_reader.js).
    source = suite.input_file("flac-source-96000.wav", 96000, [audio_fixtures.music_like(96000, 1.0, 6)], "pcm16")
    flac = os.path.join(suite.inputs, "music-96000.flac")
    subprocess.run(["sox", "-V1", source, flac], check=True)
    page = suite.browser.new_page()
    try:
        page.open(suite.server.url + "index.html")
        decoded = page.evaluate(f"{DECODED_SAMPLES}('inputs/music-96000.flac', 96000)")
    finally:
        page.close()
    samples = struct.unpack(f"<{len(base64.b64decode(decoded['samples'])) // 4}f", base64.b64decode(decoded["samples"]))
    original = audio_fixtures.music_like(96000, 1.0, 6)
    checks.equal((decoded["rate"], decoded["channels"], len(samples)), (96000, 1, len(original)), "decoded")
    checks.expect(all(abs(a - round(b * 32768) / 32768) <= 1 / 32767 for a, b in zip(samples, original)),
                  "the decoded samples are not the file's")
    decoded_wav = suite.input_file("flac-decoded-96000.wav", 96000, [list(samples)])
    for settings in SETTINGS[:4]:
        checks.equal(suite.self_test(query_of("music-96000.flac", settings)), suite.native_hash(decoded_wav, settings),
                     f"the FLAC file with {settings}")


def test_self_test_of_files_around_one_render_quantum(suite, checks):
    for frames in (1, 127, 128, 129, 300):
        samples = audio_fixtures.music_like(44100, 0.01, frames)[:frames]
        samples[0] = 0.9
        name = f"short-{frames}.wav"
        path = suite.input_file(name, 44100, [samples])
        for settings in ({}, {0: 0.4, 1: 0.9, 2: 0}):
            checks.equal(suite.self_test(query_of(name, settings)), suite.native_hash(path, settings),
                         f"{frames} frames with {settings}")


def test_self_test_reports_failures(suite, checks):
    with urllib.request.urlopen(suite.server.url + "index.html") as response:
        html = response.read().decode()
    checks.expect('<output id="selftest">pending</output>' in html, "the served page does not start as pending")
    suite.input_file("ok.wav", 44100, [[0.5] * 256])
    with open(os.path.join(suite.inputs, "text.wav"), "w") as text:
        text.write("not a sound at all\n" * 20)
    cases = [
        ("selftest&input=inputs/missing.wav", "error cannot fetch inputs/missing.wav: HTTP 404"),
        ("selftest&input=inputs/text.wav", "error cannot tell the sample rate of inputs/text.wav"),
        ("selftest", "error no input= file given"),
        ("selftest&input=inputs/ok.wav&p7=0.5", "error no parameter 7"),
        ("selftest&input=inputs/ok.wav&p2=slow", "error p2=slow is not a number"),
    ]
    for query, expected in cases:
        checks.equal(suite.self_test(query), expected, query)


# The page as a user sees it.

SCREENSHOT_ANALYSIS = """
(async ({png, plot, sliders}) => {
  const image = new Image();
  image.src = 'data:image/png;base64,' + png;
  await image.decode();
  const canvas = new OffscreenCanvas(image.width, image.height);
  const context = canvas.getContext('2d');
  context.drawImage(image, 0, 0);
  const region = (r) => context.getImageData(Math.round(r.x), Math.round(r.y), Math.round(r.width), Math.round(r.height));
  const near = (d, i, [r, g, b], within) =>
    Math.abs(d[i] - r) <= within && Math.abs(d[i + 1] - g) <= within && Math.abs(d[i + 2] - b) <= within;
  // The curve: the host's first colour, in how many columns of the plot.
  const p = region(plot);
  const curveColumns = new Set();
  let gridPixels = 0;
  for (let y = 0; y < p.height; ++y) {
    for (let x = 0; x < p.width; ++x) {
      const i = 4 * (y * p.width + x);
      if (near(p.data, i, [31, 120, 181], 40)) curveColumns.add(x);
      if (near(p.data, i, [204, 204, 204], 12)) ++gridPixels;
    }
  }
  // Each slider: how many colours its box shows (a drawn track and thumb show several).
  const sliderColours = sliders.map((r) => {
    const d = region(r).data;
    const colours = new Set();
    for (let i = 0; i < d.length; i += 4) colours.add((d[i] >> 4) * 256 + (d[i + 1] >> 4) * 16 + (d[i + 2] >> 4));
    return colours.size;
  });
  return {width: image.width, height: image.height, plotWidth: p.width, curveColumns: curveColumns.size,
          gridPixels, sliderColours};
})
"""


def test_page_after_loading_a_file(suite, checks):
    path = suite.input_file("mono-48000.wav", 48000, [audio_fixtures.music_like(48000, 2.5, 2)])
    page = suite.page_with_file(path)
    try:
        status = page.evaluate("document.getElementById('status').textContent")
        checks.equal(status, "Loaded “mono-48000.wav”: 2.5 s at 48000 Hz, mono.", "status")
        labels = page.evaluate("""[...document.querySelectorAll('#parameters input[type=range]')].map(s =>
            [s.labels[0]?.textContent, s.getAttribute('aria-valuetext'), s.disabled])""")
        checks.equal([label for label, _, _ in labels],
                     ["Freq", "Res", "Smooth", "Type", "Cutoff", "Dry/Wet", "Level"], "the sliders' labels")
        native = suite.native_texts(48000, {})
        checks.equal(texts_on(page), native, "texts at the file's rate")
        checks.equal([text for _, text, _ in labels], native, "the sliders' value texts")
        checks.expect(not any(disabled for _, _, disabled in labels), "a slider is disabled")
        checks.equal(page.evaluate("[...document.getElementById('program').options].map(o => o.text)"),
                     ["1: Init", "2: Init"], "programs")
        checks.expect("48000 Hz" in page.evaluate("document.getElementById('response-summary').textContent"),
                      "the response is not drawn at the file's rate")

        shot = os.path.join(suite.options.artifacts, "page-after-loading.png")
        page.screenshot(shot)
        plot = page.evaluate("(r => ({x: r.x, y: r.y, width: r.width, height: r.height}))"
                             "(document.getElementById('response-plot').getBoundingClientRect())")
        sliders = page.evaluate("""[...document.querySelectorAll('#parameters input[type=range]')].map(s =>
            (r => ({x: r.x, y: r.y, width: r.width, height: r.height}))(s.getBoundingClientRect()))""")
        with open(shot, "rb") as png:
            encoded = base64.b64encode(png.read()).decode()
        blank = suite.browser.new_page()
        try:
            found = blank.evaluate(f"{SCREENSHOT_ANALYSIS}({json.dumps({'png': encoded, 'plot': plot, 'sliders': sliders})})")
        finally:
            blank.close()
        checks.expect(found["curveColumns"] > 0.6 * found["plotWidth"],
                      f"the curve shows in {found['curveColumns']} of {found['plotWidth']} columns of the plot")
        checks.expect(found["gridPixels"] > 2000, f"the plot's grid shows only {found['gridPixels']} pixels")
        checks.expect(all(count >= 3 for count in found["sliderColours"]),
                      f"sliders without a drawn track and thumb: colours {found['sliderColours']}")
    finally:
        page.close()


def test_keyboard_moves_controls_and_the_plot_follows(suite, checks):
    path = suite.input_file("mono-44100.wav", 44100, [audio_fixtures.music_like(44100, 2.5, 1)])
    page = suite.page_with_file(path)
    try:
        before = page.evaluate("document.getElementById('response-plot').toDataURL()")
        page.evaluate("document.getElementById('parameter-type').focus()")
        page.press("ArrowRight", "ArrowRight", 39)
        page.evaluate("document.getElementById('parameter-slope').focus()")
        page.press("End", "End", 35)
        page.evaluate("document.getElementById('parameter-freq').focus()")
        for _ in range(3):
            page.press("PageDown", "PageDown", 34)
        wait_for_plot(page)
        freq = page.evaluate("Number(document.getElementById('parameter-freq').value) / 1000")
        settings = {0: freq, 3: 0.25, 4: 1}
        checks.expect(freq < 0.5, f"Page Down did not lower Freq ({freq})")
        checks.equal(texts_on(page), suite.native_texts(44100, settings), "texts after the keys")
        checks.equal(page.evaluate("document.getElementById('parameter-type').getAttribute('aria-valuetext')"),
                     "HighPass", "the type's value text")
        checks.expect(page.evaluate("document.getElementById('response-plot').toDataURL()") != before,
                      "the plot did not change")
        checks.expect("Type: HighPass" in page.evaluate("document.getElementById('response-summary').textContent"),
                      "the plot's label does not name the new type")

        # The second program holds its own values; the first comes back as it was left.
        page.evaluate("(s => { s.value = '1'; s.dispatchEvent(new Event('change')); })(document.getElementById('program'))")
        checks.equal(texts_on(page), suite.native_texts(44100, {}), "program 2's texts")
        page.evaluate("(s => { s.value = '0'; s.dispatchEvent(new Event('change')); })(document.getElementById('program'))")
        checks.equal(texts_on(page), suite.native_texts(44100, settings), "program 1's texts again")
        wait_for_plot(page)
    finally:
        page.close()


def test_saved_render_equals_the_native_render(suite, checks):
    path, left, right = stereo_file(suite)
    page = suite.page_with_file(path)
    try:
        checks.equal(page.evaluate("document.getElementById('status').textContent"),
                     "Loaded “stereo-48000.wav”: 1.5 s at 48000 Hz, stereo.", "status")
        suite.browser.send("Browser.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": suite.downloads, "eventsEnabled": True})
        page.evaluate("""(s => { s.value = '4'; s.dispatchEvent(new Event('input')); })
                         (document.getElementById('parameter-type'))""")
        page.evaluate("""(s => { s.value = '700'; s.dispatchEvent(new Event('input')); })
                         (document.getElementById('parameter-res'))""")
        page.evaluate("document.getElementById('save').click()")
        suite.browser.wait_for_event("Browser.downloadProgress", lambda e: e.get("state") == "completed", 60)
        saved = os.path.join(suite.downloads, "stereo-48000-bramsoliket.wav")
        checks.expect(os.path.exists(saved), f"no {saved}: {os.listdir(suite.downloads)}")
        frames, digest = audio_fixtures.stereo_float_hash(saved)
        checks.equal(f"frames {frames} hash {digest}", suite.native_channels_hash(left, right, {1: 0.7, 3: 1.0}),
                     "the saved render")
        checks.expect(page.evaluate("document.getElementById('status').textContent").startswith(
            "Saved stereo-48000-bramsoliket.wav"), "the status does not say it was saved")
    finally:
        page.close()


def test_live_playback_moves_the_meter(suite, checks):
    path = suite.input_file("mono-48000.wav", 48000, [audio_fixtures.music_like(48000, 2.5, 2)])
    page = suite.page_with_file(path)
    try:
        checks.equal(page.evaluate("document.getElementById('peak-text').textContent"), "-∞ dB", "meter before playing")
        page.evaluate("document.getElementById('play').click()")
        page.wait_until("document.getElementById('play').getAttribute('aria-pressed') === 'true'", 10)
        shown = page.wait_until("(t => t !== '-∞ dB' && t)(document.getElementById('peak-text').textContent)", 10)
        checks.expect(shown.endswith(" dB") and -60 < float(shown[:-3]) <= 0, f"meter while playing: {shown}")
        page.evaluate("document.querySelector('input[name=listen][value=dry]').click()")
        page.evaluate("document.getElementById('play').click()")
        checks.equal(page.evaluate("document.getElementById('play').textContent"), "Play", "the button after stopping")
        page.wait_until("document.getElementById('peak-text').textContent === '-∞ dB'", 10)
        checks.equal(page.evaluate("document.getElementById('alert').hidden"), True, "an alert while playing")
    finally:
        page.close()


def test_a_file_that_does_not_decode_is_named_in_a_message(suite, checks):
    with open(os.path.join(suite.inputs, "broken.wav"), "wb") as broken:
        broken.write(b"RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00" + bytes(16) + b"junk" * 50)
    page = suite.browser.new_page()
    try:
        page.open(suite.server.url)
        page.wait_until("document.getElementById('status').textContent.startsWith('Open')")
        page.set_file("#file", os.path.join(suite.inputs, "broken.wav"))
        message = page.wait_until("!document.getElementById('alert').hidden && document.getElementById('alert').textContent", 20)
        checks.expect(message.startswith("“broken.wav” could not be decoded as audio"), f"message: {message}")
        checks.equal(page.evaluate("document.getElementById('alert').getAttribute('role')"), "alert", "the message's role")
        checks.equal(page.evaluate("document.getElementById('play').disabled"), True, "play without audio")
        checks.equal(page.evaluate("document.getElementById('file').disabled"), False, "the file input after the failure")
    finally:
        page.close()


def test_a_browser_without_audio_worklet_is_told_so(suite, checks):
    page = suite.browser.new_page()
    try:
        page.open(suite.server.url, ["delete window.AudioWorkletNode;"])
        message = page.wait_until("!document.getElementById('alert').hidden && document.getElementById('alert').textContent", 20)
        checks.expect("no AudioWorklet" in message, f"message: {message}")
        for control in ("file", "test-signal", "play", "save"):
            checks.equal(page.evaluate(f"document.getElementById('{control}').disabled"), True, f"{control} disabled")
        # The controls and the plot still work.
        wait_for_plot(page)
        page.evaluate("""(s => { s.value = '2'; s.dispatchEvent(new Event('input')); })
                         (document.getElementById('parameter-type'))""")
        wait_for_plot(page)
        checks.equal(texts_on(page)[3], "BandPass", "the type's text")
    finally:
        page.close()


TESTS = [
    test_self_test_equals_native_render_mono_float_44100,
    test_self_test_equals_native_render_mono_float_48000,
    test_self_test_of_a_stereo_file_filters_each_channel_as_the_host_filters_it_alone,
    test_self_test_equals_native_render_pcm16_44100,
    test_self_test_of_a_flac_file_decoded_by_the_browser_at_its_own_rate,
    test_self_test_of_files_around_one_render_quantum,
    test_self_test_reports_failures,
    test_page_after_loading_a_file,
    test_keyboard_moves_controls_and_the_plot_follows,
    test_saved_render_equals_the_native_render,
    test_live_playback_moves_the_meter,
    test_a_file_that_does_not_decode_is_named_in_a_message,
    test_a_browser_without_audio_worklet_is_told_so,
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--site", required=True, help="the built page (build/web)")
    parser.add_argument("--host", required=True, help="bramsoliket-host")
    parser.add_argument("--module", required=True, help="the VST module the host renders with")
    parser.add_argument("--artifacts", required=True, help="where the screenshot is kept")
    parser.add_argument("--only", help="run the tests whose names contain this")
    options = parser.parse_args()
    suite = Suite(options)
    try:
        for test in TESTS:
            if options.only is None or options.only in test.__name__:
                suite.run(test)
    finally:
        suite.close()
    print(f"web-browser: {suite.passed} passed, {suite.failed} failed")
    return 0 if suite.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
