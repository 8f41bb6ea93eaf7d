#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora (tests/fuzz/corpus/<target>/) from
the real fixtures in ../shared/fixtures: small copies that keep the real
layouts (the simulator's header and variable headers, a few real lines with
only the variables we read, a cut of a real session text), a recording as
`gripline replay --record` writes it, and settings and advice files as the
programs write them. Run it again when a format changes:

    python3 tests/fuzz/corpus/make_seeds.py [--fixtures DIR] [--gripline PATH]
"""
import argparse, os, struct, subprocess, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..', '..'))

# The variables the engine reads (telemetry/telemetry_variables.cpp).
WANTED = {b'Speed', b'SteeringWheelTorque', b'SteeringWheelTorque_ST', b'SteeringWheelAngle',
          b'SteeringWheelAngleMax', b'VelocityX', b'VelocityY', b'LongAccel', b'LatAccel', b'YawRate',
          b'IsOnTrack', b'BrakeABSactive', b'LFshockDefl', b'RFshockDefl', b'CFshockDefl',
          b'LFshockDefl_ST', b'RFshockDefl_ST', b'CFshockDefl_ST', b'SessionTime', b'Lap'}
SIZES = {0: 1, 1: 1, 2: 4, 3: 4, 4: 4, 5: 8}


def i32(b, at):
    return struct.unpack_from('<i', b, at)[0]


def compact(image, lines):
    """The wanted variable headers repacked into a short line; each line's
    values copied to their new places."""
    num, at = i32(image, 24), i32(image, 28)
    headers, places, offset = [], [], 0
    for k in range(num):
        h = bytearray(image[at + 144 * k: at + 144 * (k + 1)])
        name = bytes(h[16:48]).split(b'\0')[0]
        if name not in WANTED:
            continue
        vtype, voff, count = struct.unpack_from('<iii', h, 0)
        size = SIZES.get(vtype, 4) * count
        struct.pack_into('<i', h, 4, offset)
        headers.append(bytes(h))
        places.append((voff, offset, size))
        offset += size
    length = (offset + 15) // 16 * 16
    out = []
    for line in lines:
        new = bytearray(length)
        for old, place, size in places:
            new[place:place + size] = line[old:old + size]
        out.append(bytes(new))
    return b''.join(headers), len(headers), length, out


def session_cut(text):
    """WeekendInfo's first lines, DriverInfo up to its first entry, and the
    user's own entry: what the scanner needs, a few KB."""
    lines = text.split(b'\n')
    keep, user = [], None
    for i, l in enumerate(lines):
        if l.startswith(b'DriverInfo:'):
            start = i
        if l.strip().startswith(b'DriverCarIdx:'):
            user = int(l.split(b':')[1])
    out = lines[:12] + lines[start:start + 30]
    for i, l in enumerate(lines):
        if l.strip() == b'- CarIdx: %d' % user and i > start:
            j = i + 1
            while j < len(lines) and not lines[j].strip().startswith(b'- CarIdx:'):
                j += 1
            out += lines[i:min(j, i + 40)]
            break
    return b'\n'.join(out) + b'\n'


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def telemetry_seeds(fixtures):
    # The live block: header, session text, variable headers, three buffers.
    live = open(os.path.join(fixtures, 'irsdk_live_w13_monza.bin'), 'rb').read()
    num_buf, buf_len = i32(live, 32), i32(live, 36)
    lines = [live[i32(live, 48 + 16 * k + 4):][:buf_len] for k in range(num_buf)]
    ticks = [i32(live, 48 + 16 * k) for k in range(num_buf)]
    text = session_cut(live[i32(live, 20):i32(live, 20) + i32(live, 16)].split(b'\0')[0])
    headers, num, length, packed = compact(live, lines)
    block = bytearray(live[:112])
    at_text = 112
    at_headers = at_text + len(text) + 1
    at_lines = (at_headers + len(headers) + 15) // 16 * 16
    struct.pack_into('<iiiiii', block, 16, len(text) + 1, at_text, num, at_headers, num_buf, length)
    for k in range(num_buf):
        struct.pack_into('<ii', block, 48 + 16 * k, ticks[k], at_lines + k * length)
    block += text + b'\0' + headers
    block += bytes(at_lines - len(block)) + b''.join(packed)
    write('fuzz_shared_memory', 'live_monza_compact.bin', bytes(block))
    write('fuzz_session_text', 'live_monza_session.yaml', text)

    # The telemetry file: header, disk sub-header, variable headers, session text, lines.
    ibt = open(os.path.join(fixtures, 'w13_spielberg_390ticks.ibt'), 'rb').read()
    buf_len, first = i32(ibt, 36), i32(ibt, 52)
    lines = [ibt[first + k * buf_len:first + (k + 1) * buf_len] for k in range(0, 390, 39)]
    text = session_cut(ibt[i32(ibt, 20):i32(ibt, 20) + i32(ibt, 16)])
    headers, num, length, packed = compact(ibt, lines)
    out = bytearray(ibt[:144])
    at_headers = 144
    at_text = at_headers + len(headers)
    at_lines = at_text + len(text)
    struct.pack_into('<iiiiii', out, 16, len(text), at_text, num, at_headers, 1, length)
    struct.pack_into('<ii', out, 48, 0, at_lines)
    struct.pack_into('<i', out, 140, len(packed))
    out += headers + text + b''.join(packed)
    write('fuzz_telemetry_file', 'spielberg_10_lines.ibt', bytes(out))
    write('fuzz_session_text', 'spielberg_session.yaml', text)

    f4 = open(os.path.join(fixtures, 'session_f4_tsukuba.yaml'), 'rb').read()
    write('fuzz_session_text', 'f4_tsukuba_cut.yaml', session_cut(f4))


def recording_seeds(fixtures, gripline):
    with tempfile.TemporaryDirectory() as tmp:
        rec = os.path.join(tmp, 'drive.kvtrec')
        subprocess.run([gripline, 'replay', os.path.join(fixtures, 'w13_spielberg_390ticks.ibt'),
                        '--record', rec], check=True, stdout=subprocess.DEVNULL)
        data = open(rec, 'rb').read()
    # The header and 24 samples from the middle of the drive.
    write('fuzz_recording', 'spielberg_24_samples.kvtrec', data[:380] + data[380 + 88 * 150:380 + 88 * 174])


def utf16(text):
    return b'\xff\xfe' + text.replace('\n', '\r\n').encode('utf-16-le')


def settings_seeds():
    # First byte 0: a settings file; 1: an advice file (see fuzz_settings_file.cpp).
    keys = ('Mode=1\nUseCarSpecificSettings=1\nForceStrength=62\nBumps=25\nBumpImpacts=35\n'
            'Damping=10\nCarForceBalance=110\nWheelbaseMaxTorqueTenths=250\n')
    settings = ('[Profiles]\nCount=2\nSelected=1\n[Profile0]\nName=Default\n' + keys +
                '[Profile1]\nName=Club\n' + keys.replace('62', '70') +
                '[CarProfile1_mx5 mx52016]\nExists=1\nCar=mx5 mx52016\n' + keys.replace('62', '55') +
                '[Coefficients]\nCount=1\n[Coefficient0]\nCar=mx5 mx52016\nYawRateMultiplierTenth=383\n'
                'YawSteerGainThousand=125\nLateralAccelDivisor=92\nResistanceGainHundred=113\n'
                'SteerMarginBiasTenthDeg=6\n[DriverNames]\n700063=Test Driver\n')
    write('fuzz_settings_file', 'settings_ascii.ini', b'\0' + settings.encode())
    write('fuzz_settings_file', 'settings_utf16.ini', b'\0' + utf16(settings))
    advice = ('[Advice]\nVersion=1\nProfile=Club\nCar=mx5 mx52016\nHasProfileSettings=1\n'
              'ForceStrength=62\nApplyForceStrength=1\nCarForceBalance=110\nApplyCarForceBalance=1\n'
              'SuspensionTexture=25\nApplySuspensionTexture=0\nSuspensionImpactTexture=35\n'
              'ApplySuspensionImpactTexture=1\nSuspensionDetailPriority=40\nApplySuspensionDetailPriority=1\n'
              'AbsVibration=12\nApplyAbsVibration=1\nHasCoefficientAdvice=1\nYawRateMultiplierTenth=383\n'
              'ApplyYawRateMultiplier=1\nYawSteerGainThousand=125\nApplyYawSteerGain=1\n'
              'LateralAccelDivisor=92\nApplyLateralAccelDivisor=1\nResistanceGainHundred=113\n'
              'ApplyResistanceGain=1\nSteerMarginBiasTenthDeg=6\nApplySteerMarginBias=1\n')
    write('fuzz_settings_file', 'advice_utf16.ini', b'\x01' + utf16(advice))


def manifest_seeds():
    write('fuzz_update_manifest', 'latest.json',
          b'{"version": "0.1.0.135", "appPath": "/uploads/torvix/commercial/Torvix_Commercial.exe",\n'
          b' "analyzerPath": "/uploads/torvix/commercial/Torvix%20Commercial%20Analyzer.exe?x=1",\n'
          b' "notes": "Faster start, Pil\xc3\xb6te M\xc3\xbcller"}\n')
    write('fuzz_update_manifest', 'same_version.json',
          b'{"version":"0.1.0.134","appPath":"a","analyzerPath":"b"}')
    # As scripts/release.sh writes it: the two programs' SHA-256 (one in
    # upper case, which is read as the same hash).
    write('fuzz_update_manifest', 'with_hashes.json',
          b'{\n  "version": "0.1.0.135",\n'
          b'  "appPath": "/uploads/torvix/commercial/Torvix_Commercial-0.1.0.135.exe",\n'
          b'  "analyzerPath": "/uploads/torvix/commercial/Torvix_Commercial_Analyzer-0.1.0.135.exe",\n'
          b'  "appSha256": "AB39B52038E6878C0AF3BF90CB8E22A4E56EE606F3326E2EA0875C589AF441D1",\n'
          b'  "analyzerSha256": "abf4ebe750df7bc517f7aafb53ac605bba514986e081c2cda465e7a81285b742",\n'
          b'  "notes": "Gripline 0.1.0.135"\n}\n')


def engine_seeds():
    # FuzzedDataProvider takes numbers from the end of the input, most
    # significant byte first: the steps are written in the order the target
    # reads them and the whole is reversed. Each step as fuzz_engine.cpp
    # reads it: an operation byte, then its values.
    def tick(torque):
        step = [0, 1, 1, 0]  # a tick: the next one, on track, no ABS
        for value in (30.0, torque, 0.1, 7.0, 30.0, 0.5, 1.0, 8.0, 0.2):
            step += [2] + list(struct.pack('>I', int((value + 60) / 120 * 0xFFFFFFFF)))  # -60..60
        for k in range(24):
            step += [1] + list(struct.pack('>I', int((0.1 * (k % 6) + 1) / 2 * 0xFFFFFFFF)))  # -1..1
        return step
    hold = lambda ticks: [12] + list(struct.pack('>H', ticks - 1))
    stall = lambda ms: [7] + list(struct.pack('>H', ms - 1))
    steps = (tick(25.0) + hold(300) + stall(300) + tick(-40.0) + hold(200) + [10, 0, 0, 4] +
             hold(100) + [8, 0] + tick(10.0) + hold(250) + [9, 0] + hold(30))
    write('fuzz_engine', 'drive_stall_fail_gone.bin', bytes(reversed(steps)))


def main():
    p = argparse.ArgumentParser()
    p.add_argument('--fixtures', default=os.path.join(ROOT, '..', 'shared', 'fixtures'))
    p.add_argument('--gripline', default=os.path.join(ROOT, 'build', 'linux', 'tools', 'gripline_cli', 'gripline'))
    a = p.parse_args()
    telemetry_seeds(a.fixtures)
    recording_seeds(a.fixtures, a.gripline)
    settings_seeds()
    manifest_seeds()
    engine_seeds()


if __name__ == '__main__':
    main()
