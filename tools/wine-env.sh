# Sourced by the harness scripts: the private Wine prefix of one build tree.
# Usage: ZG_BUILD=/path/to/build; . tools/wine-env.sh
: "${ZG_BUILD:?ZG_BUILD must name the build tree}"
# ZG_WINEPREFIX names another prefix of the same build (the gallery's at
# another display scale).
export WINEPREFIX="${ZG_WINEPREFIX:-$ZG_BUILD/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER=/usr/lib/wine/wine64
ZG_WINE=/usr/lib/wine/wine64
ZG_WINESERVER=/usr/lib/wine/wineserver64
# Wine's Marlett (fonts-wine), which draws the standard caption buttons. This
# Wine does not look in its data folder, so the buttons showed Marlett's
# letters ("0 1 r"); every Windows has it in its Fonts folder, so each prefix
# gets it there. Wine's Tahoma is left out on purpose: with it installed this
# Wine draws bold Tahoma with the regular glyphs, and the fallback face keeps
# bold text bold.
ZG_WINE_MARLETT=/usr/share/wine/fonts/marlett.ttf

# Creates the prefix on first use and makes sure its wineserver runs.
# Wine's helper processes inherit the standard handles of whoever starts them,
# so they are started here with their output sent to /dev/null; otherwise a
# caller reading our output through a pipe (CTest) would wait for ever. For
# the same reason they must not inherit the lock's descriptor.
# $1: how long (seconds) the server outlives its last client; empty: until
# zg_wine_down.
zg_wine_up() {
  local persist="-p${1:-}"
  mkdir -p "$ZG_BUILD"
  (
    flock 9
    # A prefix is whole once it has its system files: a first boot that
    # died half way (seen now and then) leaves system.reg without them, and
    # every later program then fails with "could not load kernel32.dll".
    local tries=0
    while [ ! -f "$WINEPREFIX/system.reg" ] ||
          [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; do
      tries=$((tries + 1))
      [ "$tries" -le 3 ] || { echo "wine-env: could not make $WINEPREFIX" >&2; return 1; }
      "$ZG_WINESERVER" -k 9>&- >/dev/null 2>&1
      rm -rf "$WINEPREFIX"
      "$ZG_WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&-
      "$ZG_WINESERVER" -w 9>&-
    done
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ -f "$ZG_WINE_MARLETT" ] && [ ! -f "$fonts/marlett.ttf" ]; then
      mkdir -p "$fonts" && cp "$ZG_WINE_MARLETT" "$fonts"/
    fi
    if "$ZG_WINESERVER" "$persist" </dev/null >/dev/null 2>&1 9>&-; then
      "$ZG_WINE" cmd /c exit </dev/null >/dev/null 2>&1 9>&-
    fi
  ) 9>"$ZG_BUILD/.wineprefix.lock"
}

zg_wine_down() {
  "$ZG_WINESERVER" -k >/dev/null 2>&1 || true
  "$ZG_WINESERVER" -w >/dev/null 2>&1 || true
}

# On a private Xvfb there is no window manager: Wine then places, maximises
# and activates windows itself. Left "managed", a maximised window would wait
# for a manager that never confirms and be restored again.
zg_wine_unmanaged() {
  "$ZG_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
}
zg_wine_managed() {
  "$ZG_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f </dev/null >/dev/null 2>&1
}
