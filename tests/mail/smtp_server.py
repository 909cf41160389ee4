#!/usr/bin/python3
"""A real SMTP server on loopback for the mail tests.

Normal modes run aiosmtpd (plain, STARTTLS or TLS from the first byte) with
AUTH LOGIN / PLAIN checked by aiosmtpd, CRAM-MD5 checked here with Python's
hmac, and NTLM checked with impacket's NTLMv2 code (an implementation
independent of ours). The misbehaving modes (RAW_MODES: silent, dropping the
connection, floods, endless or trickled replies, answers before the command,
replies in pieces, hanging up) are a few lines of raw asyncio each.

Everything the server sees goes, one JSON object per line, to
OUT/events.jsonl: the commands of each session, the log-ins and every
stored message (raw bytes in OUT/message-N.eml, plus the headers and body
as Python's email package decodes them).

It prints "READY <port>" once it listens and runs until it is terminated.
"""

import argparse
import asyncio
import base64
import calendar
import hashlib
import hmac
import json
import os
import re
import signal
import socket
import ssl
import struct
import sys
import time
from email import message_from_bytes, policy
from email.header import decode_header, make_header

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword, MISSING
from impacket import ntlm

args = None
events_file = None
message_count = 0
session_count = 0


def log(event):
    events_file.write(json.dumps(event, ensure_ascii=False) + "\n")
    events_file.flush()


def is_tls(server):
    """STARTTLS sets _tls_protocol; TLS from the first byte is the transport's own."""
    return server._tls_protocol is not None or server.transport.get_extra_info("ssl_object") is not None


def rfc2047(value):
    if value is None:
        return None
    unfolded = re.sub(r"\r?\n[ \t]", " ", str(value))
    return str(make_header(decode_header(unfolded)))


def text_of(value):
    return value.decode("utf-8", "replace") if isinstance(value, bytes) else value


class Handler:
    def __init__(self, refuse, forward):
        self.refuse = refuse
        self.forward = forward

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        if args.ehlo_530 and not is_tls(server):
            return ["530 5.7.0 Must issue a STARTTLS command first"]
        return responses

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.refuse:
            return f"550 5.1.1 <{address}>: Recipient address rejected: User unknown"
        envelope.rcpt_tos.append(address)
        if address in self.forward:
            return f"251 2.1.5 User not local; will forward to <{address}>"
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        global message_count
        message_count += 1
        raw = envelope.original_content
        path = os.path.join(args.out, f"message-{message_count}.eml")
        with open(path, "wb") as f:
            f.write(raw)
        parsed = message_from_bytes(raw, policy=policy.default)
        legacy = message_from_bytes(raw)
        body = ""
        try:
            body = parsed.get_content()
        except Exception as e:  # a malformed message is reported, not hidden
            body = f"<undecodable: {e}>"
        log({
            "event": "message",
            "session": session.lettrica_id,
            "file": path,
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "mail_options": envelope.mail_options,
            "tls": is_tls(server),
            "login": text_of(session.login_data) if session.login_data else None,
            "subject": str(parsed["Subject"]) if parsed["Subject"] is not None else None,
            "from": str(parsed["From"]) if parsed["From"] is not None else None,
            "to": str(parsed["To"]) if parsed["To"] is not None else None,
            # Python's address parser keeps the blank between two encoded
            # words of a display name, which RFC 2047 (6.2) says to drop; the
            # classic decoder follows the RFC.
            "from_rfc2047": rfc2047(legacy["From"]),
            "to_rfc2047": rfc2047(legacy["To"]),
            "content_type": parsed.get_content_type(),
            "charset": parsed.get_content_charset(),
            "cte": str(parsed["Content-Transfer-Encoding"]),
            "body": body,
            "defects": [type(d).__name__ for d in parsed.defects],
        })
        return "250 2.0.0 Ok: queued"

    # CRAM-MD5 (RFC 2195), verified with Python's hmac.
    async def auth_CRAM__MD5(self, server, auth_args):
        challenge = f"<{os.getpid()}.{time.time_ns()}@mail.test>".encode()
        answer = await server.challenge_auth(challenge)
        if answer is MISSING:
            return AuthResult(success=False, handled=True)
        user, _, digest = answer.partition(b" ")
        expected = hmac.new(args.password.encode(), challenge, hashlib.md5).hexdigest().encode()
        ok = user.decode() == args.user and hmac.compare_digest(digest, expected)
        log({"event": "auth", "session": server.session.lettrica_id, "mechanism": "CRAM-MD5",
             "login": user.decode("utf-8", "replace"), "ok": ok})
        return AuthResult(success=ok, handled=False, auth_data=LoginPassword(user, b""))

    # NTLM: our CHALLENGE, then the AUTHENTICATE message checked with
    # impacket's NTOWFv2 / HMAC-MD5.
    async def auth_NTLM(self, server, auth_args):
        negotiate = await server.challenge_auth("")
        if negotiate is MISSING:
            return AuthResult(success=False, handled=True)
        nego = ntlm.NTLMAuthNegotiate()
        nego.fromString(negotiate)
        if not nego["flags"] & ntlm.NTLMSSP_NEGOTIATE_NTLM:
            return AuthResult(success=False, message="501 5.7.0 NTLM not negotiated")

        server_challenge = os.urandom(8)
        av = ntlm.AV_PAIRS()
        av[ntlm.NTLMSSP_AV_HOSTNAME] = "MAILTEST".encode("utf-16le")
        av[ntlm.NTLMSSP_AV_DOMAINNAME] = "TESTDOM".encode("utf-16le")
        av[ntlm.NTLMSSP_AV_DNS_HOSTNAME] = "mail.test".encode("utf-16le")
        av[ntlm.NTLMSSP_AV_TIME] = struct.pack("<q", 116444736000000000 + calendar.timegm(time.gmtime()) * 10000000)
        target_info = av.getData()
        domain = "TESTDOM".encode("utf-16le")
        msg = ntlm.NTLMAuthChallenge()
        msg["flags"] = (ntlm.NTLMSSP_NEGOTIATE_UNICODE | ntlm.NTLMSSP_REQUEST_TARGET | ntlm.NTLMSSP_NEGOTIATE_NTLM
                        | ntlm.NTLMSSP_NEGOTIATE_ALWAYS_SIGN | ntlm.NTLMSSP_TARGET_TYPE_DOMAIN
                        | ntlm.NTLMSSP_NEGOTIATE_EXTENDED_SESSIONSECURITY | ntlm.NTLMSSP_NEGOTIATE_TARGET_INFO
                        | ntlm.NTLMSSP_NEGOTIATE_VERSION | ntlm.NTLMSSP_NEGOTIATE_128 | ntlm.NTLMSSP_NEGOTIATE_56)
        msg["domain_len"] = msg["domain_max_len"] = len(domain)
        msg["domain_offset"] = 40 + 16
        msg["challenge"] = server_challenge
        msg["domain_name"] = domain
        msg["TargetInfoFields_len"] = msg["TargetInfoFields_max_len"] = len(target_info)
        msg["TargetInfoFields"] = target_info
        msg["TargetInfoFields_offset"] = 40 + 16 + len(domain)
        msg["Version"] = b"\x06\x01\xb1\x1d\x00\x00\x00\x0f"
        msg["VersionLen"] = 8

        authenticate = await server.challenge_auth(msg.getData())
        if authenticate is MISSING:
            return AuthResult(success=False, handled=True)
        resp = ntlm.NTLMAuthChallengeResponse()
        resp.fromString(authenticate)
        user = resp["user_name"].decode("utf-16le")
        user_domain = resp["domain_name"].decode("utf-16le")
        nt = resp["ntlm"]
        ok = False
        if len(nt) > 16 + 28:
            proof, blob = nt[:16], nt[16:]
            key = ntlm.NTOWFv2(user, args.password, user_domain)
            expected = ntlm.hmac_md5(key, server_challenge + blob)
            # The blob must carry our target information unchanged.
            ok = (hmac.compare_digest(proof, expected) and user.upper() == args.user.upper()
                  and blob[:2] == b"\x01\x01" and blob[28:28 + len(target_info)] == target_info)
        log({"event": "auth", "session": server.session.lettrica_id, "mechanism": "NTLM", "login": user,
             "domain": user_domain, "ok": ok})
        return AuthResult(success=ok, handled=False, auth_data=LoginPassword(user.encode(), b""))


def authenticator(server, session, envelope, mechanism, auth_data):
    login = auth_data.login.decode("utf-8", "replace")
    password = auth_data.password.decode("utf-8", "replace")
    ok = login == args.user and password == args.password
    log({"event": "auth", "session": session.lettrica_id, "mechanism": mechanism, "login": login, "ok": ok})
    return AuthResult(success=ok, auth_data=auth_data)


class LoggingSMTP(SMTP):
    """Records every command of the session before it is handled."""

    def __init__(self, *a, **kw):
        super().__init__(*a, **kw)
        for name, method in list(self._smtp_methods.items()):
            self._smtp_methods[name] = self._logged(name, method)

    def _logged(self, name, method):
        async def run(arg):
            log({"event": "command", "session": self.session.lettrica_id, "command": name, "arg": arg,
                 "tls": is_tls(self)})
            return await method(arg)
        run.__smtp_syntax__ = getattr(method, "__smtp_syntax__", None)
        for attr in ("__smtp_syntax_extended__", "__smtp_syntax_when__"):
            if hasattr(method, attr):
                setattr(run, attr, getattr(method, attr))
        return run

    def _create_session(self):
        global session_count
        session = super()._create_session()
        session_count += 1
        session.lettrica_id = session_count
        log({"event": "connect", "session": session_count})
        return session


def tls_context():
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(args.cert, args.key)
    if args.mode == "old-tls":
        ctx.set_ciphers("DEFAULT:@SECLEVEL=0")
        ctx.minimum_version = ssl.TLSVersion.TLSv1
        ctx.maximum_version = ssl.TLSVersion.TLSv1_1
    return ctx


EHLO_REPLY = b"250-mail.test\r\n250 8BITMIME\r\n"


class Conn:
    def __init__(self, reader, writer):
        self.reader = reader
        self.writer = writer

    async def send(self, data):
        self.writer.write(data)
        await self.writer.drain()


async def converse(reader, writer, answer):
    """A raw exchange for the misbehaving modes: greets, then hands each
    command, and after DATA the end of the data as ".", to answer(conn,
    verb), which replies as it likes; it returns False to hang up."""
    conn = Conn(reader, writer)
    log({"event": "connect", "session": 0})
    try:
        await conn.send(b"220 mail.test ESMTP\r\n")
        in_data = False
        while True:
            line = await reader.readline()
            if not line:
                break
            if in_data and line.rstrip(b"\r\n") != b".":
                continue
            verb = "." if in_data else line.split(b" ")[0].strip().upper().decode(errors="replace")
            in_data = verb == "DATA"
            log({"event": "command", "session": 0, "command": line.decode(errors="replace").strip()})
            if await answer(conn, verb) is False or verb == "QUIT":
                break
    except (ConnectionError, OSError) as e:
        log({"event": "lost", "session": 0, "error": str(e)})
    writer.close()


async def normal_answer(conn, verb):
    replies = {"EHLO": EHLO_REPLY, "HELO": b"250 mail.test\r\n", "DATA": b"354 go ahead\r\n",
               ".": b"250 queued\r\n", "QUIT": b"221 bye\r\n"}
    await conn.send(replies.get(verb, b"250 OK\r\n"))


async def silent_answer(conn, verb):
    """Greets and answers EHLO, then never answers again."""
    if verb == "EHLO":
        await conn.send(EHLO_REPLY)


async def drop_in_data_answer(conn, verb):
    """A normal exchange up to DATA; then, with the first data line read,
    the connection is dropped."""
    if verb != "DATA":
        return await normal_answer(conn, verb)
    await conn.send(b"354 go ahead\r\n")
    await conn.reader.readline()
    log({"event": "dropped", "session": 0})
    conn.writer.transport.abort()
    return False


async def flood_answer(conn, verb):
    """Answers EHLO with continuation lines that never end."""
    if verb != "EHLO":
        return await normal_answer(conn, verb)
    chunk = (b"250-" + b"x" * 60 + b"\r\n") * 1000
    while True:
        await conn.send(chunk)


async def endless_line_answer(conn, verb):
    """Answers EHLO with one line that never ends."""
    if verb != "EHLO":
        return await normal_answer(conn, verb)
    await conn.send(b"250 ")
    while True:
        await conn.send(b"x" * 65536)


async def trickle_answer(conn, verb):
    """Answers EHLO with one continuation line every --interval seconds, for ever."""
    if verb != "EHLO":
        return await normal_answer(conn, verb)
    await conn.send(b"250-mail.test\r\n")
    while True:
        await asyncio.sleep(args.interval)
        await conn.send(b"250-still here\r\n")


async def early_answer(conn, verb):
    """Answers before being asked: MAIL gets --early extra 250 lines, DATA an
    extra 250 with its 354; the message itself is then refused."""
    if verb == "MAIL":
        await conn.send(b"250 OK\r\n" + b"250 early\r\n" * args.early)
    elif verb == "DATA":
        await conn.send(b"354 go ahead\r\n250 early\r\n")
    elif verb == ".":
        await conn.send(b"554 5.7.1 Message refused\r\n")
    else:
        await normal_answer(conn, verb)


async def split_answer(conn, verb):
    """Normal replies, each sent in pieces of a few bytes with pauses."""
    replies = {"EHLO": b"250-mail.test\r\n250-8BITMIME\r\n250 SIZE 1000000\r\n",
               "DATA": b"354 go ahead\r\n", ".": b"250 2.0.0 queued\r\n", "QUIT": b"221 bye\r\n"}
    reply = replies.get(verb, b"250 2.1.0 OK\r\n")
    for i in range(0, len(reply), 5):
        await conn.send(reply[i:i + 5])
        await asyncio.sleep(0.02)


async def hang_up_answer(conn, verb):
    """A normal exchange until MAIL, which closes the connection in good order."""
    if verb != "MAIL":
        return await normal_answer(conn, verb)
    log({"event": "hang-up", "session": 0})
    return False


RAW_MODES = {"silent": silent_answer, "drop-in-data": drop_in_data_answer, "flood-reply": flood_answer,
             "endless-line": endless_line_answer, "trickle-reply": trickle_answer, "early-answers": early_answer,
             "split-replies": split_answer, "hang-up": hang_up_answer}


def old_tls():
    """TLS from the first byte, but TLS 1.0 and 1.1 only. Blocking sockets, so
    that OpenSSL writes its alert before the connection closes."""
    ctx = tls_context()
    listener = socket.create_server((args.host, args.port))
    print(f"READY {listener.getsockname()[1]}", flush=True)
    while True:
        conn, _ = listener.accept()
        log({"event": "connect", "session": 0})
        try:
            with ctx.wrap_socket(conn, server_side=True) as tls:
                tls.sendall(b"220 mail.test ESMTP\r\n")
                log({"event": "handshake", "session": 0, "ok": True})
        except (ssl.SSLError, OSError) as e:
            log({"event": "handshake", "session": 0, "ok": False, "error": str(e)})
        finally:
            conn.close()


async def main():
    loop = asyncio.get_running_loop()
    ssl_ctx = tls_context() if args.tls == "implicit" else None
    if args.mode in RAW_MODES:
        answer = RAW_MODES[args.mode]
        server = await asyncio.start_server(lambda r, w: converse(r, w, answer), args.host, args.port, ssl=ssl_ctx)
    else:
        handler = Handler(set(args.refuse), set(args.forward))
        excluded = [m for m in ("LOGIN", "PLAIN", "CRAM-MD5", "NTLM") if m not in args.auth]
        starttls_ctx = tls_context() if args.tls == "starttls" else None

        def factory():
            return LoggingSMTP(handler, hostname="mail.test", tls_context=starttls_ctx,
                               require_starttls=bool(starttls_ctx) and args.require_starttls,
                               auth_require_tls=False, auth_exclude_mechanism=excluded,
                               authenticator=authenticator, loop=loop)

        server = await loop.create_server(factory, args.host, args.port, ssl=ssl_ctx)
    port = server.sockets[0].getsockname()[1]
    print(f"READY {port}", flush=True)
    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, stop.set_result, None)
    loop.add_signal_handler(signal.SIGINT, stop.set_result, None)
    await stop
    server.close()


def parse():
    p = argparse.ArgumentParser()
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--out", required=True)
    p.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
    p.add_argument("--require-starttls", action="store_true")
    p.add_argument("--cert")
    p.add_argument("--key")
    p.add_argument("--auth", default="LOGIN,PLAIN,CRAM-MD5",
                   type=lambda s: [m for m in s.upper().split(",") if m])
    p.add_argument("--user", default="user")
    p.add_argument("--password", default="secret")
    p.add_argument("--refuse", action="append", default=[])
    p.add_argument("--forward", action="append", default=[])
    p.add_argument("--ehlo-530", action="store_true")
    p.add_argument("--mode", choices=["normal", "old-tls"] + list(RAW_MODES), default="normal")
    p.add_argument("--interval", type=float, default=0.05, help="seconds between lines (trickle-reply)")
    p.add_argument("--early", type=int, default=0, help="extra 250 lines after MAIL (early-answers)")
    return p.parse_args()


if __name__ == "__main__":
    args = parse()
    os.makedirs(args.out, exist_ok=True)
    events_file = open(os.path.join(args.out, "events.jsonl"), "a", encoding="utf-8")
    try:
        if args.mode == "old-tls":
            signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
            old_tls()
        else:
            asyncio.run(main())
    except KeyboardInterrupt:
        pass
    sys.exit(0)
