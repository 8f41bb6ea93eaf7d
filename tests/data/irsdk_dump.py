#!/usr/bin/env python3
"""Independent reader of the simulator's telemetry layout, for checking `gripline inspect`.

Decodes a live shared-memory image (the newest of the rotating buffers) or a recorded
.ibt file (every stored line, TickCount = the line's 0-based index) straight from the
published layout, and prints one JSON object per snapshot in the tool's format. It is
written from the layout alone and shares no code with the C++ reader, so that the two
agreeing on real files means something.

Layout (all little-endian int32 unless said otherwise):
  header at 0: ver, status, tickRate, sessionInfoUpdate, sessionInfoLen,
               sessionInfoOffset, numVars (24), varHeaderOffset (28), numBuf (32),
               bufLen (36), 2 padding words, varBuf[4] at 48 + 16*i: tickCount, bufOffset
  .ibt:        32-byte disk sub-header at 112 (int64 start date, float64 start and end
               session time, int32 lap count, int32 record count at 140); the lines
               follow one another from varBuf[0].bufOffset
  variable header (144 bytes): type, offset, count, countAsTime (bool + padding),
               name[32] at 16, desc[64] at 48, unit[32] at 112
  types: 0 char, 1 bool, 2 int, 3 bitfield, 4 float, 5 double

Usage: irsdk_dump.py FILE
"""
import math
import struct
import sys

HEADER_SIZE = 112
VAR_HEADER_SIZE = 144
MAX_BUFFERS = 4
SUB_SAMPLES = 6
TYPE_BOOL = 1
TYPE_INT = 2
TYPE_BITFIELD = 3
TYPE_FLOAT = 4
TYPE_SIZES = {0: 1, 1: 1, 2: 4, 3: 4, 4: 4, 5: 8}


class Damaged(Exception):
    pass


def int32_at(data, offset):
    if offset < 0 or offset + 4 > len(data):
        raise Damaged("int32 at %d outside %d bytes" % (offset, len(data)))
    return struct.unpack_from("<i", data, offset)[0]


def variable_table(data):
    """name -> (type, offset in the line, count) for every variable header."""
    num_vars = int32_at(data, 24)
    table_at = int32_at(data, 28)
    if num_vars < 0 or table_at < 0 or table_at + num_vars * VAR_HEADER_SIZE > len(data):
        raise Damaged("variable headers outside the file")
    table = {}
    for k in range(num_vars):
        at = table_at + k * VAR_HEADER_SIZE
        var_type, offset, count = struct.unpack_from("<iii", data, at)
        raw_name = data[at + 16:at + 48]
        name = raw_name.split(b"\0", 1)[0].decode("latin-1")
        table.setdefault(name, (var_type, offset, count))  # the first of a name wins
    return table


def values(table, line, name, wanted):
    """Up to `wanted` elements of variable `name`, decoded by its declared type."""
    if name not in table:
        return []
    var_type, offset, count = table[name]
    n = max(0, min(count, wanted))
    size = TYPE_SIZES.get(var_type)
    if size is None or offset < 0 or offset + size * n > len(line):
        return []
    if var_type == TYPE_BOOL:
        return [line[offset + i] != 0 for i in range(n)]
    if var_type == TYPE_FLOAT:
        return list(struct.unpack_from("<%df" % n, line, offset))
    if var_type in (TYPE_INT, TYPE_BITFIELD):
        return list(struct.unpack_from("<%di" % n, line, offset))
    raise Damaged("%s has type %d, not bool, int or float" % (name, var_type))


def scalar(table, line, name, default):
    got = values(table, line, name, 1)
    return got[0] if got else default


def sub_samples(table, line, name):
    got = values(table, line, name, SUB_SAMPLES)
    return got + [0.0] * (SUB_SAMPLES - len(got)), len(got)


def snapshot(table, line, tick):
    s = {"Valid": True, "IsOnTrack": scalar(table, line, "IsOnTrack", False), "TickCount": tick}
    for name in ("Speed", "SteeringWheelTorque", "SteeringWheelAngle", "SteeringWheelAngleMax",
                 "VelocityX", "VelocityY", "LongAccel", "LatAccel", "YawRate"):
        s[name] = scalar(table, line, name, 0.0)
    s["BrakeABSactive"] = scalar(table, line, "BrakeABSactive", False)

    torque, torque_n = sub_samples(table, line, "SteeringWheelTorque_ST")
    if torque_n == 0:  # no 360 Hz torque: the 60 Hz value stands for the whole tick
        torque, torque_n = [s["SteeringWheelTorque"]] + [0.0] * (SUB_SAMPLES - 1), 1
    lf, lf_n = sub_samples(table, line, "LFshockDefl_ST")
    rf, rf_n = sub_samples(table, line, "RFshockDefl_ST")
    cf, cf_n = sub_samples(table, line, "CFshockDefl_ST")
    shock_n = min(lf_n, rf_n)
    # The single values are the newest sub-sample; nothing when there are none.
    s["LFshockDefl"] = lf[shock_n - 1] if shock_n else 0.0
    s["RFshockDefl"] = rf[shock_n - 1] if shock_n else 0.0
    s["CFshockDefl"] = cf[cf_n - 1] if cf_n else 0.0
    s["LFshockDeflSt"], s["RFshockDeflSt"], s["CFshockDeflSt"] = lf, rf, cf
    s["TorqueSt"] = torque
    s["TorqueStCount"], s["ShockStCount"], s["CFshockStCount"] = torque_n, shock_n, cf_n
    s["IsReplayPlaying"] = scalar(table, line, "IsReplayPlaying", False)
    s["WeatherDeclaredWet"] = scalar(table, line, "WeatherDeclaredWet", False)
    s["TrackWetness"] = scalar(table, line, "TrackWetness", 0)
    return s


def json_value(v):
    if isinstance(v, bool):
        return "true" if v else "false"
    if isinstance(v, int):
        return str(v)
    if isinstance(v, float):
        # A float32 widened to double; 9 significant digits read back to the same float32.
        return "%.9g" % v if math.isfinite(v) else "null"
    return "[" + ",".join(json_value(x) for x in v) + "]"


def json_line(s):
    return "{" + ",".join('"%s":%s' % (k, json_value(v)) for k, v in s.items()) + "}"


def ibt_snapshots(data):
    if len(data) < HEADER_SIZE + 32:
        raise Damaged("shorter than the header and disk sub-header")
    table = variable_table(data)
    buf_len = int32_at(data, 36)
    records = int32_at(data, 140)
    first = int32_at(data, 48 + 4)
    if buf_len <= 0 or records < 0 or first < 0 or first + records * buf_len > len(data):
        raise Damaged("lines outside the file")
    for i in range(records):
        at = first + i * buf_len
        yield snapshot(table, data[at:at + buf_len], i)


def image_snapshots(data):
    if len(data) < HEADER_SIZE:
        raise Damaged("shorter than the header")
    table = variable_table(data)
    buf_len = int32_at(data, 36)
    num_buf = min(int32_at(data, 32), MAX_BUFFERS)
    if num_buf <= 0 or buf_len <= 0:
        raise Damaged("no buffers")
    descriptors = [struct.unpack_from("<ii", data, 48 + 16 * i) for i in range(num_buf)]
    # The newest line has the highest tick count; on a tie the first buffer counts.
    newest = max(range(num_buf), key=lambda i: (descriptors[i][0], -i))
    tick, at = descriptors[newest]
    if at < 0 or at + buf_len > len(data):
        raise Damaged("newest line outside the image")
    yield snapshot(table, data[at:at + buf_len], tick)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: irsdk_dump.py FILE\n")
        return 2
    path = argv[1]
    with open(path, "rb") as f:
        data = f.read()
    dump = ibt_snapshots if path.lower().endswith(".ibt") else image_snapshots
    try:
        out = "".join(json_line(s) + "\n" for s in dump(data))
    except Damaged as e:
        sys.stderr.write("irsdk_dump: %s: %s\n" % (path, e))
        return 1
    sys.stdout.buffer.write(out.encode("ascii"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
