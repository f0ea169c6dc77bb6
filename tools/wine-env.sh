# Sourced by the scripts that run the Windows program: a private Wine prefix,
# one Xvfb for the whole run, a persistent wineserver and a keeper process.
# Needs $build (the build folder). Call wine_up, then wine_down at the end.
wine_up() {
  export WINEPREFIX="$build/wine/prefix" WINEDEBUG=-all WINEARCH=win64
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  local fresh=${1:-fresh}
  if [ "$fresh" = fresh ] || [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
    rm -rf "$build/wine"
    mkdir -p "$build/wine"
  fi
  if [ -z "${DISPLAY_FOR_WINE:-}" ]; then
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  else
    export DISPLAY=$DISPLAY_FOR_WINE
  fi
  local created=0
  if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
    wine wineboot -i >/dev/null 2>&1 || true
    # Without a window manager a closed window costs about 2 s unless Wine manages none.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wine_link_fonts
    created=1
  fi
  # The language file as it ships (the build writes it as UTF-16LE).
  cp "$build/win/bin/kivulanguage.ini" "$WINEPREFIX/drive_c/windows/kivulanguage.ini"
  # Wine's own fonts (Debian's fonts-wine): Wine does not look for them in
  # its data folder, but does in the Windows fonts folder. Marlett draws the
  # title bars' buttons, Tahoma is the message font.
  cp -u /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  if [ "$created" = 1 ]; then
    # The prefix as it is now, for tests that need one of their own: the
    # server writes the registry to disk when it ends.
    wineserver -w
    wine_copy_prefix "$WINEPREFIX" "$build/wine/pristine"
  fi
  wineserver -p
  wine "$build/win/bin/keeper.exe" >/dev/null 2>&1 &
  KEEPER_PID=$!
}

# Glyphs that Wine's Tahoma lacks (Greek, Japanese) come from the system's
# fonts (tools/setup.sh installs them), so such names show. Wine writes its
# own links again when it sees another code page, so pictures set them anew.
wine_link_fonts() {
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans\0ipag.ttf,IPAGothic' /f >/dev/null 2>&1
}

# Copies a prefix that no server uses. The big folders of system files are
# hard links: nothing writes to them.
wine_copy_prefix() {
  local from=$1 to=$2 big="system32 syswow64 winsxs" d
  rm -rf "$to" && mkdir -p "$to"
  tar -C "$from" $(for d in $big; do echo "--exclude=./drive_c/windows/$d"; done) -cf - . | tar -C "$to" -xf -
  for d in $big; do
    [ -d "$from/drive_c/windows/$d" ] && cp -al "$from/drive_c/windows/$d" "$to/drive_c/windows/"
  done
  return 0
}

# Runs a test program in a fresh copy of the new prefix, with a server of its own.
wine_isolated() {
  local prefix="$build/wine/isolated" rc
  wine_copy_prefix "$build/wine/pristine" "$prefix"
  WINEPREFIX=$prefix "$@"
  rc=$?
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  return $rc
}

# Sets the display scale of the current prefix (LogPixels); its server is
# ended, so that the next program starts one that reads it.
wine_set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

wine_down() {
  [ -n "${KEEPER_PID:-}" ] && kill "$KEEPER_PID" 2>/dev/null
  wineserver -k 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null || true
}
