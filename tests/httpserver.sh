# Sourced by the scripts that need the live update's test server: starts
# tests/httpserver.py on a free port of 127.0.0.1 and exports its address as
# KIVU_TEST_SERVER; http_server_down stops it by its PID.
# Needs $root and $build.
http_server_up() {
  local portfile="$build/httpserver.port"
  rm -f "$portfile"
  python3 "$root/tests/httpserver.py" --port-file "$portfile" >/dev/null 2>&1 &
  HTTP_SERVER_PID=$!
  for _ in $(seq 100); do [ -s "$portfile" ] && break; sleep 0.05; done
  if [ ! -s "$portfile" ]; then
    echo "the test server did not start" >&2
    return 1
  fi
  export KIVU_TEST_SERVER="127.0.0.1:$(cat "$portfile")"
}

http_server_down() {
  if [ -n "${HTTP_SERVER_PID:-}" ]; then
    kill "$HTTP_SERVER_PID" 2>/dev/null || true
    wait "$HTTP_SERVER_PID" 2>/dev/null || true  # its status is that of the kill
    HTTP_SERVER_PID=
  fi
}
