# Sourced by the scripts: paths and the build and Wine helpers they share.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$ROOT/build
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
# TAVRIN_PREFIX_WINDOWS names the Windows version the prefix reports
# (winecfg -v; a 64-bit prefix takes winxp64 for Windows XP, not winxp): such
# a prefix lives beside the default one, which reports Windows 7.
export TAVRIN_PREFIX_WINDOWS=${TAVRIN_PREFIX_WINDOWS:-}
export WINEPREFIX=${WINEPREFIX:-$BUILD/win64/wineprefix${TAVRIN_PREFIX_WINDOWS:+-$TAVRIN_PREFIX_WINDOWS}}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts in the test prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}
export WINEARCH=win64
# Wine runs as on a Chinese Windows, whose ANSI code page is 936 (Wine takes
# it from the locale); the rest of the scripts keep the caller's locale.
wine() { LANG=zh_CN.UTF-8 LC_ALL='' "$WINE" "$@"; }
wineserver() { LANG=zh_CN.UTF-8 LC_ALL='' "$WINESERVER" "$@"; }
WIN_USER=${USER:-$(id -un)}

log() { printf '[%s] %s\n' "$(basename "$0")" "$*"; }

# The password of every encrypted entry of an update package (the updater's
# kPackagePassword).
PACKAGE_PASSWORD='ZXC456$%^***'

# The Wine path of a Unix path (drive Z: is the Unix root).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# regadd KEY NAME VALUE: a REG_SZ value in the 32-bit view of the prefix's
# registry, as the 32-bit installer writes it.
# The centre of a named control of the uninstaller's layout, in window
# coordinates, as "X Y": floated positions count from the content area
# inside the root container's inset.
layout_centre() {
  python3 - "$ROOT/uninst/skin/UninstDlg.xml" "$1" <<'PY'
import sys
import xml.etree.ElementTree as ElementTree

layout = ElementTree.parse(sys.argv[1]).getroot()
inset = [int(v) for v in layout.find("Container").get("inset", "0,0,0,0").split(",")]
for control in layout.iter():
    if control.get("name") == sys.argv[2]:
        left, top, right, bottom = (int(v) for v in control.get("pos").split(","))
        print(inset[0] + (left + right) // 2, inset[1] + (top + bottom) // 2)
        break
else:
    sys.exit("no control named " + sys.argv[2])
PY
}
regadd() { wine reg add "$1" /reg:32 /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1; }

# start_devservice CONFIG REQUEST_LOG FOLDER: starts the development service
# of the host build in the background (its port file and output in FOLDER),
# sets SERVICE_PID and exports TAVRIN_SERVICE_HOST; false when it did not
# come up within 10 s.
SERVICE_PID=
start_devservice() {
  local config=$1 requests=$2 folder=$3
  rm -f "$folder/port"
  "$BUILD/host/bin/tavrin-devservice" serve --config "$config" --log "$requests" --port-file "$folder/port" \
    >"$folder/service.out" 2>&1 &
  SERVICE_PID=$!
  for _ in $(seq 100); do [ -s "$folder/port" ] && break; sleep 0.1; done
  [ -s "$folder/port" ] || return 1
  export TAVRIN_SERVICE_HOST=127.0.0.1:$(cat "$folder/port")
}
stop_devservice() { [ -n "$SERVICE_PID" ] && kill "$SERVICE_PID" 2>/dev/null || true; }

# configure_and_build win64|win32|host [cmake args...]
# Configures a build folder the first time and again whenever the arguments
# differ from the last configuration's (kept in the folder's
# .configure-args); then builds it. The Windows builds embed the development
# key on purpose: they are for the tests, the demo and CI, not for release.
configure_and_build() {
  local kind=$1; shift
  local dir=$BUILD/$kind args=()
  case $kind in
    win64) args=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake"
                 -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/scripts/wine-run" -DTAVRIN_DEVELOPMENT_KEY=ON
                 -DTAVRIN_SERVICE_HOST_FROM_ENVIRONMENT=ON) ;;
    win32) args=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DTAVRIN_BUILD_TESTS=OFF
                 -DTAVRIN_DEVELOPMENT_KEY=ON) ;;
    host) args=() ;;
  esac
  args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "${args[@]}" "$@")
  if ! configured_with "$dir" "${args[@]}"; then
    configure_build_dir "$dir" "$kind" "${args[@]}" || return 1
  fi
  cmake --build "$dir" -j"$(nproc)" >"$BUILD/$kind-build.log" 2>&1 ||
    { grep -E 'error|Error' -A3 "$BUILD/$kind-build.log" | head -n 80; return 1; }
}

# configured_with DIR ARGS...: whether DIR was last configured with exactly ARGS.
configured_with() {
  local dir=$1; shift
  [ -f "$dir/CMakeCache.txt" ] && [ "$(cat "$dir/.configure-args" 2>/dev/null)" = "$(printf '%s\n' "$@")" ]
}

# configure_build_dir DIR KIND ARGS...: a fresh configuration (no values left
# over from earlier arguments), then the arguments recorded for configured_with.
configure_build_dir() {
  local dir=$1 kind=$2; shift 2
  rm -f "$dir/.configure-args"
  cmake --fresh -S "$ROOT" -B "$dir" "$@" >"$BUILD/$kind-configure.log" 2>&1 ||
    { cat "$BUILD/$kind-configure.log"; return 1; }
  printf '%s\n' "$@" >"$dir/.configure-args"
}

# Creates the test prefix on first use: quiet, with "Microsoft YaHei"
# substituted by the installed CJK font.
prepare_prefix() {
  if [ -f "$WINEPREFIX/.tavrin-ready" ]; then return 0; fi
  log "creating the Wine prefix $WINEPREFIX (about 10 s)"
  rm -rf "$WINEPREFIX"; mkdir -p "$(dirname "$WINEPREFIX")"
  wine wineboot --init >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Microsoft YaHei' /t REG_SZ \
    /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  if [ -n "$TAVRIN_PREFIX_WINDOWS" ]; then
    wine winecfg -v "$TAVRIN_PREFIX_WINDOWS" >/dev/null 2>&1 ||
      { log "the prefix does not take the Windows version $TAVRIN_PREFIX_WINDOWS"; return 1; }
  fi
  wineserver -w
  touch "$WINEPREFIX/.tavrin-ready"
}

# One wineserver for the whole run, and the prefix's background services
# started by a throwaway program whose output goes nowhere (otherwise they
# inherit the first test's output pipe and ctest waits on it forever).
start_wine() {
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null
}

stop_wine() { wineserver -k >/dev/null 2>&1 || true; }

# A virtual display for windowed tests, unless one is there already.
XVFB_PID=
start_display() {
  if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 91 120); do
    if [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":$n"
      sleep 1
      return 0
    fi
  done
}

stop_display() { [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true; }
