# Sourced by the scripts that need the live update's test server: starts
# tests/httpserver.py on free ports of 127.0.0.1 (plain, HTTPS with the test
# certificates of tests/testcerts.sh, and the proxy) and exports their
# addresses: KIVU_TEST_SERVER (http), KIVU_TEST_TLS (a good certificate),
# KIVU_TEST_TLS_OTHERNAME, KIVU_TEST_TLS_EXPIRED, KIVU_TEST_TLS_UNTRUSTED,
# KIVU_TEST_PROXY. When the Wine prefix is up ($WINEPREFIX), its trusted roots
# get the test authority (the prefix only, never this machine's store).
# http_server_down stops the server by its PID. Needs $root and $build.
http_server_up() {
  local portfile="$build/httpserver.port" certs="$build/testcerts"
  "$root/tests/testcerts.sh" "$certs" || { echo "the test certificates could not be made" >&2; return 1; }
  if [ -n "${WINEPREFIX:-}" ] && [ -x "$build/win/bin/trustca.exe" ]; then
    wine "$build/win/bin/trustca.exe" "$certs/ca.der" || { echo "the prefix does not trust the test authority" >&2; return 1; }
  fi
  rm -f "$portfile"
  python3 "$root/tests/httpserver.py" --port-file "$portfile" --tls-dir "$certs" >/dev/null 2>&1 &
  HTTP_SERVER_PID=$!
  for _ in $(seq 100); do [ -s "$portfile" ] && break; sleep 0.05; done
  if [ ! -s "$portfile" ]; then
    echo "the test server did not start" >&2
    return 1
  fi
  local name port
  while read -r name port; do
    case $name in
      http) export KIVU_TEST_SERVER="127.0.0.1:$port" ;;
      https) export KIVU_TEST_TLS="127.0.0.1:$port" ;;
      https-othername) export KIVU_TEST_TLS_OTHERNAME="127.0.0.1:$port" ;;
      https-expired) export KIVU_TEST_TLS_EXPIRED="127.0.0.1:$port" ;;
      https-untrusted) export KIVU_TEST_TLS_UNTRUSTED="127.0.0.1:$port" ;;
      proxy) export KIVU_TEST_PROXY="127.0.0.1:$port" ;;
    esac
  done <"$portfile"
}

http_server_down() {
  if [ -n "${HTTP_SERVER_PID:-}" ]; then
    kill "$HTTP_SERVER_PID" 2>/dev/null || true
    wait "$HTTP_SERVER_PID" 2>/dev/null || true  # its status is that of the kill
    HTTP_SERVER_PID=
  fi
}
