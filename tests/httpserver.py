#!/usr/bin/env python3
"""A small HTTP server for the live update's tests, demos and benchmark.

Listens on 127.0.0.1 only. Every request's raw bytes are recorded (control
requests under /_control/ excepted).

With --tls-dir DIR (certificates made by tests/testcerts.sh) the same answers
also come over HTTPS: on one port with a certificate for 127.0.0.1 from the
test authority, and on three ports with a wrong one (another name, expired,
from an authority nobody trusts). A forward proxy of ours (GET with an
absolute address, CONNECT for HTTPS) records the request line of everything
it carries; GET /_control/proxied returns them, one a line.

The release query (/simcgi-bin/win95find.cgi) answers with the page, status
and fault set by the last POST /_control/query?status=S&fault=F (the body is
the page); /_control/reset restores the default page (a link to kivu320.zip).

Any other path is an archive, shaped by its query parameters:
  size=N      body of N bytes, byte i being i % 251 (default 1000)
  length=0    no Content-Length line
  status=S    answer with status S (an error status gets a short HTML body)
  rate=B      send at most B bytes per second
  fault=F     redirect-once, redirect-loop, redirect-https (the other
              scheme, same port), redirect-ftp, redirect-to (to the address
              in the parameter to=), redirect-none, redirect-relative, stall-head (send nothing), stall-body (the
              head, then nothing), close-mid (half the body, then close),
              reset-mid (half the body, then a reset; without length=0 the
              length is sent), big-head (header lines without end),
              chunked (the body in chunks, properly ended), chunked-cut (the
              chunks, closed before the last), chunked-bad (a chunk size
              that is no number)

POST /_control/file?path=P stores the body as the file P (a path without
query); a GET of P answers it with its length. /_control/reset forgets them.

GET /_control/requests returns the recorded requests, each as its length in
decimal, a line feed and the raw bytes.

The port file lists "name port" lines: http, and with --tls-dir https,
https-othername, https-expired, https-untrusted, proxy.

Usage: httpserver.py [--port N] [--port-file FILE] [--tls-dir DIR]
"""
import argparse
import os
import select
import socket
import ssl
import struct
import socketserver
import threading
import time
import urllib.parse

PERIOD = 251
BLOCK = bytes(i % PERIOD for i in range(PERIOD * 4096))
DEFAULT_PAGE = (b'<html><body><h1>Search results</h1>\n'
                b'<A HREF="/pub/simtelnet/win95/desktop/kivu320.zip?size=3000000&rate=300000">'
                b'kivu320.zip</A> KIVU Menu 3.20\n</body></html>\n')
REASONS = {200: 'OK', 301: 'Moved Permanently', 302: 'Found', 404: 'Not Found', 500: 'Internal Server Error'}
STALL_LIMIT = 180  # seconds a stalled connection is held at most

lock = threading.Lock()
state = {'page': DEFAULT_PAGE, 'status': 200, 'fault': ''}
recorded = []
files = {}
proxied = []


def read_head(conn):
    data = b''
    while b'\r\n\r\n' not in data and b'\n\n' not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return None
        data += chunk
        if len(data) > 65536:
            return None
    return data


def archive_chunks(size):
    """The archive's bytes in pieces of about a megabyte."""
    sent = 0
    while sent < size:
        start = sent % PERIOD
        piece = memoryview(BLOCK)[start:start + min(size - sent, len(BLOCK) - start)]
        yield piece
        sent += len(piece)


def hold(conn):
    """Keeps the connection open, sending nothing, until the client goes."""
    conn.settimeout(STALL_LIMIT)
    try:
        while conn.recv(4096):
            pass
    except OSError:
        pass


def reset(conn):
    """Ends the connection with a reset instead of a clean close."""
    raw = conn
    if isinstance(conn, ssl.SSLSocket):
        raw = socket.socket(fileno=os.dup(conn.fileno()))
    raw.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack('ii', 1, 0))
    raw.close()
    if raw is not conn:
        conn.close()


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        conn.settimeout(30)
        try:
            if self.server.tls:
                conn = self.server.tls.wrap_socket(conn, server_side=True)
            raw = read_head(conn)
            if raw is None:
                return
            line = raw.split(b'\n', 1)[0].decode('latin-1').strip()
            parts = line.split(' ')
            if len(parts) < 2:
                return
            method, target = parts[0], parts[1]
            url = urllib.parse.urlsplit(target)
            params = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
            if url.path.startswith('/_control/'):
                self.control(conn, method, url.path, params, raw)
                return
            with lock:
                recorded.append(raw)
                stored = files.get(url.path)
            if stored is not None:
                conn.sendall(b'HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n' % len(stored) + stored)
            elif url.path == '/simcgi-bin/win95find.cgi':
                with lock:
                    page, status, fault = state['page'], state['status'], state['fault']
                self.answer(conn, target, status, page, len(page), True, fault, 0)
            else:
                status = int(params.get('status', '200'))
                size = int(params.get('size', '1000'))
                self.answer(conn, target, status, None, size, params.get('length') != '0',
                            params.get('fault', ''), int(params.get('rate', '0')), params.get('to'))
        except (OSError, ValueError):
            pass

    @staticmethod
    def posted(conn, raw):
        head, _, body = raw.partition(b'\r\n\r\n')
        length = 0
        for field in head.split(b'\r\n')[1:]:
            name, _, value = field.partition(b':')
            if name.strip().lower() == b'content-length':
                length = int(value.strip())
        while len(body) < length:
            chunk = conn.recv(65536)
            if not chunk:
                return None
            body += chunk
        return body[:length]

    def control(self, conn, method, path, params, raw):
        if path == '/_control/query' and method == 'POST':
            body = self.posted(conn, raw)
            if body is None:
                return
            with lock:
                state.update(page=body, status=int(params.get('status', '200')),
                             fault=params.get('fault', ''))
                recorded.clear()
                proxied.clear()
            reply = b'ok'
        elif path == '/_control/file' and method == 'POST':
            body = self.posted(conn, raw)
            if body is None:
                return
            with lock:
                files[params['path']] = body
            reply = b'ok'
        elif path == '/_control/proxied':
            with lock:
                reply = b''.join(line + b'\n' for line in proxied)
        elif path == '/_control/requests':
            with lock:
                reply = b''.join(str(len(r)).encode() + b'\n' + r for r in recorded)
        elif path == '/_control/reset':
            with lock:
                state.update(page=DEFAULT_PAGE, status=200, fault='')
                recorded.clear()
                files.clear()
                proxied.clear()
            reply = b'ok'
        else:
            reply = b'unknown control'
        conn.sendall(b'HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n' % len(reply) + reply)

    def answer(self, conn, target, status, body, size, with_length, fault, rate, to=None):
        host = '127.0.0.1:%d' % self.server.server_address[1]
        scheme = 'https' if self.server.tls else 'http'
        other = 'http' if self.server.tls else 'https'
        if fault == 'stall-head':
            hold(conn)
            return
        if fault.startswith('redirect-'):
            plain = urllib.parse.urlsplit(target)
            query = '&'.join(p for p in plain.query.split('&') if not p.startswith('fault='))
            clean = plain.path + ('?' + query if query else '')
            location = {
                'redirect-once': scheme + '://' + host + clean,
                'redirect-loop': target,
                'redirect-https': other + '://' + host + clean,
                'redirect-ftp': 'ftp://' + host + clean,
                'redirect-to': to,
                'redirect-relative': clean.rsplit('/', 1)[-1],
                'redirect-none': None,
            }.get(fault, None)
            head = 'HTTP/1.0 302 Found\r\n'
            if location is not None:
                head += 'Location: ' + location + '\r\n'
            conn.sendall((head + 'Content-Length: 0\r\n\r\n').encode('latin-1'))
            return
        if fault == 'big-head':
            conn.sendall(b'HTTP/1.0 200 OK\r\n')
            filler = b'X-Filler: ' + b'a' * 1000 + b'\r\n'
            for _ in range(1024):
                conn.sendall(filler)
            return
        if status >= 400:
            body = b'<html><body>error %d</body></html>' % status
            size = len(body)
        head = 'HTTP/1.0 %d %s\r\nContent-Type: %s\r\n' % (
            status, REASONS.get(status, 'Other'), 'text/html' if body is not None else 'application/zip')
        chunked = fault.startswith('chunked')
        if chunked:
            head += 'Transfer-Encoding: chunked\r\n'
        elif with_length or fault == 'close-mid':
            head += 'Content-Length: %d\r\n' % size
        conn.sendall((head + '\r\n').encode('latin-1'))
        if fault == 'stall-body':
            hold(conn)
            return
        cut = fault in ('close-mid', 'reset-mid', 'chunked-cut')
        if cut:
            size //= 2
        chunks = [memoryview(body)[:size]] if body is not None else archive_chunks(size)
        for chunk in chunks:
            if chunked:
                frame = b'%x\r\n' % len(chunk) if fault != 'chunked-bad' else b'zz\r\n'
                conn.sendall(frame)
            if rate:
                for at in range(0, len(chunk), 8192):
                    conn.sendall(chunk[at:at + 8192])
                    time.sleep(8192 / rate)
            else:
                conn.sendall(chunk)
            if chunked:
                conn.sendall(b'\r\n')
        if chunked and not cut:
            conn.sendall(b'0\r\n\r\n')
        if fault == 'reset-mid':
            time.sleep(0.2)  # the bytes reach the client before the reset
            reset(conn)
            return
        if isinstance(conn, ssl.SSLSocket):
            conn = conn.unwrap()
        conn.shutdown(socket.SHUT_WR)


class ProxyHandler(socketserver.BaseRequestHandler):
    """A forward proxy: GET http://host:port/path and CONNECT host:port."""

    def handle(self):
        conn = self.request
        conn.settimeout(30)
        try:
            raw = read_head(conn)
            if raw is None:
                return
            line, _, rest = raw.partition(b'\r\n')
            with lock:
                proxied.append(line)
            method, target, version = line.decode('latin-1').split(' ')
            if method == 'CONNECT':
                host, _, port = target.rpartition(':')
                upstream = socket.create_connection((host, int(port)), timeout=30)
                conn.sendall(b'HTTP/1.0 200 Connection established\r\n\r\n')
            else:
                url = urllib.parse.urlsplit(target)
                upstream = socket.create_connection((url.hostname, url.port or 80), timeout=30)
                path = url.path + ('?' + url.query if url.query else '')
                upstream.sendall(('%s %s %s\r\n' % (method, path, version)).encode('latin-1') + rest)
            self.relay(conn, upstream)
        except (OSError, ValueError):
            pass

    @staticmethod
    def relay(a, b):
        sockets = [a, b]
        while True:
            ready, _, _ = select.select(sockets, [], [], STALL_LIMIT)
            if not ready:
                break
            for s in ready:
                data = s.recv(65536)
                if not data:
                    b.close()
                    return
                (b if s is a else a).sendall(data)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    tls = None


def tls_context(tls_dir, name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(tls_dir, name + '.pem'), os.path.join(tls_dir, name + '.key'))
    return context


def main():
    parser = argparse.ArgumentParser(description='Test server for the live update.')
    parser.add_argument('--port', type=int, default=0)
    parser.add_argument('--port-file')
    parser.add_argument('--tls-dir')
    args = parser.parse_args()
    servers = [('http', Server(('127.0.0.1', args.port), Handler))]
    if args.tls_dir:
        for name, cert in (('https', 'good'), ('https-othername', 'othername'), ('https-expired', 'expired'),
                           ('https-untrusted', 'untrusted')):
            server = Server(('127.0.0.1', 0), Handler)
            server.tls = tls_context(args.tls_dir, cert)
            servers.append((name, server))
        servers.append(('proxy', Server(('127.0.0.1', 0), ProxyHandler)))
    for _, server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    ports = ''.join('%s %d\n' % (name, server.server_address[1]) for name, server in servers)
    if args.port_file:
        with open(args.port_file + '.tmp', 'w') as f:
            f.write(ports)
        os.replace(args.port_file + '.tmp', args.port_file)
    else:
        print(ports, end='', flush=True)
    servers[0][1].serve_forever()


if __name__ == '__main__':
    main()
