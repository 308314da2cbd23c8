#!/usr/bin/env python3
"""Writes the hand-made seed inputs of fuzz_config, fuzz_sentences and fuzz_arrivals.

Run from anywhere: the files go to fuzz/corpus/<target>/ beside this script's directory. The
captured node sessions of fuzz_arrivals come from capture_session.py instead.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(os.path.dirname(HERE), "corpus")


def write(target: str, name: str, data: bytes) -> None:
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


# ---- fuzz_config: whole configuration files -------------------------------------------------
SAVED = (
    b'"FormConnectsTop",0\r\n"FormConnectsLeft",0\r\n"FormConnectsHeight",7280\r\n"FormConnectsWidth",12335\r\n'
    b'"FormMonitorTop",0\r\n"FormMonitorLeft",12400\r\n"FormMonitorHeight",7415\r\n"FormMonitorWidth",12395\r\n'
    b'"FormSettingsTop",2000\r\n"FormSettingsLeft",1000\r\n"FormSettingsHeight",2165\r\n"FormSettingsWidth",4235\r\n'
    b'"KelLatestVersion","1.93"\r\n"RemoteHost","192.168.1.20"\r\n"RemotePort",9000\r\n'
)
write("fuzz_config", "saved_file", SAVED)
write("fuzz_config", "empty_version",
      SAVED.replace(b'"KelLatestVersion","1.93"', b'"KelLatestVersion",""'))
write("fuzz_config", "lf_only_and_blanks",
      b'"RemoteHost", node.example.net \n"RemotePort", 7300 \n"KelLatestVersion",1,931\n'
      b'"FormMonitorWidth",9000.5\n"FormMonitorHeight",4000\n')
write("fuzz_config", "host_and_port_only", b'"RemoteHost","gb7rdx.example.org"\r\n"RemotePort",99\r\n')
write("fuzz_config", "unknown_keys_and_short",
      b'"Colour",12,"Other","x"\r\n"FormConnectsLeft",-500\r\n"FormConnectsTop",-1e3\r\n"RemotePort"')
write("fuzz_config", "quoted_with_commas",
      b'"RemoteHost","a,b",\r\n"KelLatestVersion","2.0"junk\r\n"RemotePort",+12\r\n')
# Records that once ended the reading (or shifted keys and values), each before the records that
# were then lost.
TAIL = b'"KelLatestVersion","1.93"\r\n"RemoteHost","192.168.1.20"\r\n"RemotePort",9000\r\n'
for name, record in [
    ("bad_geometry_1e999", b'"FormMonitorTop",1e999'),
    ("bad_geometry_26_digits", b'"FormConnectsWidth",12345678901234567890123456'),
    ("bad_port_26_digits", b'"RemotePort",12345678901234567890123456'),
    ("bad_version_nan", b'"KelLatestVersion",NaN'),
    ("bad_key_without_value", b'"RemotePort"'),
    ("bad_value_with_thousands_comma", b'"RemotePort",4,000'),
]:
    write("fuzz_config", name, b'"FormMonitorLeft",500\r\n' + record + b'\r\n' + TAIL)
# A file of 2 MiB: one line of a megabyte, then saved files one after another.
big = b'"RemoteHost","' + b'x' * (1 << 20) + b'"\r\n'
while len(big) < 2 << 20:
    big += SAVED
write("fuzz_config", "two_mib_file", big[: 2 << 20])

# ---- fuzz_sentences: byte 0 handler (+0x80 puts the head in front), byte 1 setup, sentence --
HANDLERS = ["record66", "record60", "traffic", "zq62", "zq63", "zq80", "zq81", "zq90", "zq91",
            "zq92", "timelinks", "output"]


def sentence(name: str, handler: str, setup: int, text: bytes, head: bool = False) -> None:
    pick = HANDLERS.index(handler) | (0x80 if head else 0)
    write("fuzz_sentences", name, bytes([pick, setup]) + text)


sentence("record_new_user", "record66", 1,
         b"^ZQ66^12^0^84.206.90.120^16777215^1754^16777215^PA8IDJ^65280^^ip-84-206-90-120.example.net  port 23")
sentence("record_login_field", "record66", 1, b"12^3^65280", head=True)
sentence("record_lockedout", "record66", 0, b"^ZQ66^6^6^LockedOut")
sentence("record_probe", "record66", 0, b"^ZQ66^9^7^14146559")
sentence("record_monitored", "record60", 1, b"^ZQ60^0^0^10.0.0.1^65535^4000^16777215^^65280^^x")
sentence("record_monitored_call", "record60", 1, b"0^6^G4ABC", head=True)
sentence("traffic_keepalive", "traffic", 1, b"^ZQ70^5^KeepAlive 0912Z V1.92")
sentence("traffic_zq11", "traffic", 1, b"^ZQ70^6^ZQ11^GB7RDX^1.93")
sentence("traffic_dxspider_prompt", "traffic", 2,
         b"^ZQ70^8^G4ABC de GB7RDX  7-Dec-2026 0913Z  1.57  dxspider >")
sentence("traffic_arc", "traffic", 3, b"^ZQ70^5^AR17^GB7RDX^4.2")
sentence("traffic_dx_de", "traffic", 32 | 1, b"^ZQ70^9^DX de K1ABC:     14025.0  JA1XYZ       cq       0914Z")
sentence("traffic_new_socket", "traffic", 0, b"33^PC92^GB7RDX^0^1^", head=True)
sentence("zq62_prompt", "zq62", 2, b"^ZQ62^G4ABC de GB7RDX  7-Dec-2026 0913Z    1.57  dxspider >")
sentence("zq63_keepalive", "zq63", 1, b"^ZQ63^KeepAlive 0900Z 26 users V1.94")
sentence("zq80_box", "zq80", 0, b"3^9", head=True)
sentence("zq81_box", "zq81", 0, b"^ZQ81^6^65280^9000")
sentence("zq90_highwater", "zq90", 0, b"^ZQ90^47^19-Feb-2025 0900Z")
sentence("zq91_session", "zq91", 0, b"^ZQ91^29^07-Dec-2026 2223Z")
sentence("zq92_start", "zq92", 0, b"^ZQ92^Up since 07-Dec-2026 1146Z")
sentence("timelinks", "timelinks", 0, b"12.5^rest of it")
sentence("output_lines", "output", 4, b"^ZQ64^line one\r\n[bracketed]\r\nab\r\nline three")
sentence("output_link_time", "output", 0, b"^ZQ65^0.031^more")

# ---- fuzz_arrivals: a short hand-made session with commands between the arrivals ------------


def arrival(data: bytes) -> bytes:
    n = len(data)
    if n < 0x80:
        return bytes([n]) + data
    return bytes([0x80 | (n >> 8), n & 0xFF]) + data


def command(number: int, args: bytes = b"") -> bytes:
    return bytes([0xC0 + number]) + args


EOT = b"\x04"
FLUSH = b"^ZQ92^(end)^ZQ92^(end)"
start = (b"^ZQ81^1^65280^23^ZQ81^2^16776960^7373^ZQ80^1^7^ZQ80^2^5^ZQ92^Up since 07-Dec-2026 1146Z"
         b"^ZQ90^47^19-Feb-2025 0900Z^ZQ91^29^07-Dec-2026 2223Z"
         b"^ZQ61^[0900Z] Monitor connected to GB7RDX, RE Ridavir 4.17, socket server 1.93"
         b"^ZQ63^KeepAlive 0900Z 26 users V1.93"
         b"^ZQ66^1^0^0.0.0.0^16777215^23^16777215^^16777215^^Listening on port 23"
         b"^ZQ66^3^0^79.86.134.231^16777215^20729^16777215^OK8VN^65280^^host-a  port 23"
         b"^ZQ66^4^0^95.120.31.171^16777215^40925^16777215^OH8NOD^16776960^^host-b  port 7373"
         b"^ZQ66^5^0^217.157.167.12^16777215^21426^16777215^nocall^16711935^^host-c  port 23")
traffic = (b"^ZQ70^3^KeepAlive 0901Z V1.93^ZQ70^4^PC92^GB7RDX^0^1^"
           b"^ZQ70^5^Hello\r\nthere^ZQ64^in line^ZQ65^0.031^ZQ62^prompt line"
           b"^ZQ66^3^3^65535^ZQ66^6^0^10.1.2.3^65535^1111^16777215^G4ABCDEFGHIJK^65280^^host-d")
session = (arrival(start + EOT) + arrival(EOT) + command(19) + arrival(traffic + FLUSH + EOT)
           + command(21) + arrival(EOT) + command(0) + command(8) + command(20) + command(2, b"\x03")
           + command(17, b"\x50\x40") + arrival(b"^ZQ70^6^DX de K1ABC: 14025.0 JA1XYZ cq 0914Z" + FLUSH + EOT)
           + arrival(EOT) + command(14) + arrival(start + EOT) + arrival(EOT) + command(19) + command(20)
           + command(21) + command(6, b"\x03M3^"))
write("fuzz_arrivals", "hand_session_with_commands", session)

# A pane past 100000 characters, cut back at the next arrival: 128 KiB of short lines.
FLOOD = 23


def flood(size_byte: int, pattern: bytes) -> bytes:
    """One arrival of the pattern repeated: (size_byte + 1) * 4 KiB below 0xC0, from 0xC0 on
    4 MiB + (size_byte - 0xC0) * 16 KiB."""
    return command(FLOOD, bytes([size_byte, len(pattern)]) + pattern)


write("fuzz_arrivals", "flood_pane_past_its_limit",
      arrival(start + EOT) + arrival(EOT) + flood(31, b"^ZQ61^some text of a line\r\nmore\r\n")
      + arrival(FLUSH + EOT) + arrival(EOT) + arrival(b"^ZQ61^after the cut" + FLUSH + EOT) + arrival(EOT)
      + command(21))
# More than the receive buffer holds without a complete sentence: its oldest bytes are dropped.
write("fuzz_arrivals", "flood_past_the_buffer_cap",
      arrival(start + EOT) + arrival(EOT) + arrival(b"^ZQ61^") + flood(0xC8, b"no sentence end here ")
      + arrival(FLUSH + EOT) + arrival(EOT) + command(21))
# A traffic line of 64 KiB: shown as its two ends.
write("fuzz_arrivals", "flood_long_traffic_line",
      arrival(start + EOT) + arrival(EOT) + arrival(b"^ZQ70^3^") + flood(15, b"long line ")
      + arrival(FLUSH + EOT) + arrival(EOT) + command(21))
# Batches the node ends and then falls quiet after: the whole batch, its last sentence included,
# is handled in its own arrival.
write("fuzz_arrivals", "quiet_node_after_first_batch", arrival(start + EOT) + command(21))
# Batches of exactly one 8192-byte read each, of whole sentences.
line = b"^ZQ61^" + b"x" * 90
whole_read = line * (8191 // len(line))
whole_read += b"^ZQ61^" + b"y" * (8191 - len(whole_read) - 6) + EOT
assert len(whole_read) == 8192
write("fuzz_arrivals", "batches_of_exactly_8192_bytes",
      arrival(start + EOT) + arrival(whole_read) + arrival(whole_read) + command(21))
# A faulting sentence in every batch must end only itself.
write("fuzz_arrivals", "faulting_sentence_in_every_batch",
      arrival(start + EOT)
      + b"".join(arrival(b"^ZQ80^1001^x^ZQ90^99999999999^x^ZQ61^line %d" % i + EOT) for i in range(8))
      + command(21))
# Stray bytes before the first head, at the start and again after a drop.
write("fuzz_arrivals", "stray_bytes_before_the_first_head",
      arrival(b"\r\n" + start + EOT) + arrival(b"junk") + flood(0xC8, b"no batch end here ")
      + arrival(b"^ZQ66^7^0^10.0.0.7^16777215^23^16777215^G7XYZ^65280" + EOT) + command(21))
