#!/usr/bin/env python3
"""A small HTTP server for the live update's tests, demos and benchmark.

Listens on 127.0.0.1 only. Every request's raw bytes are recorded (control
requests under /_control/ excepted).

The release query (/simcgi-bin/win95find.cgi) answers with the page, status
and fault set by the last POST /_control/query?status=S&fault=F (the body is
the page); /_control/reset restores the default page (a link to kivu320.zip).

Any other path is an archive, shaped by its query parameters:
  size=N      body of N bytes, byte i being i % 251 (default 1000)
  length=0    no Content-Length line
  status=S    answer with status S (an error status gets a short HTML body)
  rate=B      send at most B bytes per second
  fault=F     redirect-once, redirect-loop, redirect-https, redirect-none,
              redirect-relative, stall-head (send nothing), stall-body (the
              head, then nothing), close-mid (half the body, then close),
              big-head (header lines without end)

GET /_control/requests returns the recorded requests, each as its length in
decimal, a line feed and the raw bytes.

Usage: httpserver.py [--port N] [--port-file FILE]
"""
import argparse
import socket
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


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        conn.settimeout(30)
        try:
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
            if url.path == '/simcgi-bin/win95find.cgi':
                with lock:
                    page, status, fault = state['page'], state['status'], state['fault']
                self.answer(conn, target, status, page, len(page), True, fault, 0)
            else:
                status = int(params.get('status', '200'))
                size = int(params.get('size', '1000'))
                self.answer(conn, target, status, None, size, params.get('length') != '0',
                            params.get('fault', ''), int(params.get('rate', '0')))
        except (OSError, ValueError):
            pass

    def control(self, conn, method, path, params, raw):
        if path == '/_control/query' and method == 'POST':
            head, _, body = raw.partition(b'\r\n\r\n')
            length = 0
            for field in head.split(b'\r\n')[1:]:
                name, _, value = field.partition(b':')
                if name.strip().lower() == b'content-length':
                    length = int(value.strip())
            while len(body) < length:
                chunk = conn.recv(65536)
                if not chunk:
                    return
                body += chunk
            with lock:
                state.update(page=body[:length], status=int(params.get('status', '200')),
                             fault=params.get('fault', ''))
                recorded.clear()
            reply = b'ok'
        elif path == '/_control/requests':
            with lock:
                reply = b''.join(str(len(r)).encode() + b'\n' + r for r in recorded)
        elif path == '/_control/reset':
            with lock:
                state.update(page=DEFAULT_PAGE, status=200, fault='')
                recorded.clear()
            reply = b'ok'
        else:
            reply = b'unknown control'
        conn.sendall(b'HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n' % len(reply) + reply)

    def answer(self, conn, target, status, body, size, with_length, fault, rate):
        host = '127.0.0.1:%d' % self.server.server_address[1]
        if fault == 'stall-head':
            hold(conn)
            return
        if fault.startswith('redirect-'):
            plain = urllib.parse.urlsplit(target)
            query = '&'.join(p for p in plain.query.split('&') if not p.startswith('fault='))
            clean = plain.path + ('?' + query if query else '')
            location = {
                'redirect-once': 'http://' + host + clean,
                'redirect-loop': target,
                'redirect-https': 'https://' + host + clean,
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
        if with_length or fault == 'close-mid':
            head += 'Content-Length: %d\r\n' % size
        conn.sendall((head + '\r\n').encode('latin-1'))
        if fault == 'stall-body':
            hold(conn)
            return
        if fault == 'close-mid':
            size //= 2
        chunks = [memoryview(body)[:size]] if body is not None else archive_chunks(size)
        for chunk in chunks:
            if rate:
                for at in range(0, len(chunk), 8192):
                    conn.sendall(chunk[at:at + 8192])
                    time.sleep(8192 / rate)
            else:
                conn.sendall(chunk)
        conn.shutdown(socket.SHUT_WR)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser(description='Test server for the live update.')
    parser.add_argument('--port', type=int, default=0)
    parser.add_argument('--port-file')
    args = parser.parse_args()
    with Server(('127.0.0.1', args.port), Handler) as server:
        port = server.server_address[1]
        if args.port_file:
            with open(args.port_file + '.tmp', 'w') as f:
                f.write('%d\n' % port)
            import os
            os.replace(args.port_file + '.tmp', args.port_file)
        else:
            print('listening on 127.0.0.1:%d' % port, flush=True)
        server.serve_forever()


if __name__ == '__main__':
    main()
