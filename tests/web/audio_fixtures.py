# SPDX-License-Identifier: MIT
"""Input files for the tests, written here so that every run uses the same ones, and the
native side of every comparison: renders by the VST module through bramsoliket-host, and the
FNV-1a hash of a render the way the page's self-test hashes its own."""

import math
import random
import struct
import subprocess

FNV_OFFSET_BASIS = 14695981039346656037
FNV_PRIME = 1099511628211


def fnv1a64(data):
    value = FNV_OFFSET_BASIS
    for byte in data:
        value = ((value ^ byte) * FNV_PRIME) & 0xFFFFFFFFFFFFFFFF
    return f"{value:016x}"


def write_wav(path, rate, channels, encoding="float"):
    """channels: lists of samples of equal length; encoding "float" (32-bit IEEE) or "pcm16"."""
    frames = len(channels[0])
    if encoding == "float":
        format_tag, width = 3, 4
        pack = lambda v: struct.pack("<f", v)
    else:
        format_tag, width = 1, 2
        pack = lambda v: struct.pack("<h", max(-32768, min(32767, round(v * 32768))))
    data = b"".join(pack(channels[c][i]) for i in range(frames) for c in range(len(channels)))
    fmt = struct.pack("<HHIIHH", format_tag, len(channels), rate, rate * width * len(channels),
                      width * len(channels), 8 * width)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def music_like(rate, seconds, seed):
    """Impulses, noise, a sweep and a loud chord that drives the limiters, all in one channel;
    a length that is not a multiple of the 128-frame render quantum."""
    generator = random.Random(seed)
    frames = int(rate * seconds) + 37
    samples = []
    for i in range(frames):
        t = i / rate
        if i % (rate // 4) == 0:
            value = 0.9
        elif t < seconds / 3:
            value = generator.uniform(-0.3, 0.3)
        elif t < 2 * seconds / 3:
            value = 0.5 * math.sin(2 * math.pi * 40 * t * (1 + 60 * t / seconds))
        else:
            value = 0.7 * (math.sin(2 * math.pi * 220 * t) + math.sin(2 * math.pi * 330 * t))
            value = max(-1.0, min(1.0, value))
        samples.append(value)
    return samples


def wav_data(path):
    """(format tag, channels, rate, bits, data bytes) of a WAV file."""
    with open(path, "rb") as stream:
        raw = stream.read()
    if raw[:4] != b"RIFF" or raw[8:12] != b"WAVE":
        raise ValueError(f"{path} is not a WAV file")
    at, fmt, data = 12, None, None
    while at + 8 <= len(raw):
        chunk, size = raw[at:at + 4], struct.unpack("<I", raw[at + 4:at + 8])[0]
        if chunk == b"fmt ":
            fmt = struct.unpack("<HHIIHH", raw[at + 8:at + 24])
        elif chunk == b"data":
            data = raw[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    if fmt is None or data is None:
        raise ValueError(f"{path} has no fmt or data chunk")
    return fmt[0], fmt[1], fmt[2], fmt[5], data


def stereo_float_hash(path):
    """frames and hash of a two-channel 32-bit float WAV file, as the self-test reports them."""
    tag, channels, _, bits, data = wav_data(path)
    # 3 is IEEE float; 0xFFFE (extensible) carries it in its extension, which the
    # host's files do not use.
    if (tag, channels, bits) != (3, 2, 32):
        raise ValueError(f"{path}: format {tag}, {channels} channels, {bits} bits, not two channels of float32")
    return len(data) // 8, fnv1a64(data)


def left_of_renders_hash(left_path, right_path):
    """frames and hash, as the self-test reports them, of the two-channel render whose left
    channel is the left channel of the render `left_path` and whose right channel is the left
    channel of `right_path`: a stereo render put together from renders of each channel alone."""
    halves = []
    for path in (left_path, right_path):
        tag, channels, _, bits, data = wav_data(path)
        if (tag, channels, bits) != (3, 2, 32):
            raise ValueError(f"{path}: format {tag}, {channels} channels, {bits} bits, not two channels of float32")
        halves.append([data[at:at + 4] for at in range(0, len(data), 8)])
    if len(halves[0]) != len(halves[1]):
        raise ValueError("the two renders differ in length")
    return len(halves[0]), fnv1a64(b"".join(left + right for left, right in zip(*halves)))


def native_render(host, module, source, output, settings):
    """Renders `source` through the VST module with `settings` ({index: value}) applied in
    index order, into a 32-bit float WAV."""
    command = [host, "render", "--plugin", module, "-q", "-i", source, "-o", output]
    for index in sorted(settings):
        command += ["--set", f"{index}={settings[index]}"]
    subprocess.run(command, check=True, stderr=subprocess.DEVNULL)
