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
# What starts the Wine loader: nothing (it runs natively) unless
# use_emulated_wine32 below says otherwise.
WINE_LAUNCH=()
# Wine runs as on a Chinese Windows, whose ANSI code page is 936 (Wine takes
# it from the locale); the rest of the scripts keep the caller's locale.
wine() { LANG=zh_CN.UTF-8 LC_ALL='' "${WINE_LAUNCH[@]}" "$WINE" "$@"; }
wineserver() { LANG=zh_CN.UTF-8 LC_ALL='' "$WINESERVER" "$@"; }

# The emulated 32-bit Wine that scripts/setup --i686 installs, for running the
# shipping (i686) programs (scripts/smoke-i686). No 32-bit code runs natively
# here, so Debian's 32-bit Wine loader runs under qemu-i386 through the script
# setup writes at the place of Wine's preloader, which Wine also runs for
# every process it starts: each Windows process is one emulated Linux process.
# The wineserver stays the native 64-bit one (it serves 32-bit prefixes too).
WINE32_PRELOADER=/usr/lib/wine/wine-preloader
use_emulated_wine32() {
  WINE=/usr/lib/wine/wine
  WINE_LAUNCH=("$WINE32_PRELOADER")
  export WINESERVER=/usr/lib/wine/wineserver64 WINEARCH=win32
  # The desktop menu entries wineboot would make are one more emulated process.
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
}
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

# configure_and_build win64|win32|win32-smoke|host [cmake args...]
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
    # The i686 programs as win32 builds them, but reading TAVRIN_SERVICE_HOST,
    # so that scripts/smoke-i686 can point them at the development service.
    win32-smoke) args=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DTAVRIN_BUILD_TESTS=OFF
                       -DTAVRIN_DEVELOPMENT_KEY=ON -DTAVRIN_SERVICE_HOST_FROM_ENVIRONMENT=ON) ;;
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

# Creates the emulated 32-bit prefix (use_emulated_wine32) on first use.
# Every Windows process costs about a minute under emulation, so the prefix's
# settings go in with one registry import rather than a program each: no
# crash dialog; Wine's null display driver (the programs show no window, and
# no emulated process then loads the X11 driver or needs a display); the
# Windows version TAVRIN_PREFIX_WINDOWS names, for the whole prefix (what
# `winecfg -v` sets, without starting winecfg); and what starts with every
# Wine session although nothing here uses it: the menu builder, and the
# services event log, plug and play (with its device drivers) and NDIS, which
# start only when asked for, so a session starts the storage and
# network-interface drivers alone. Programs are named
# with ".exe": a bare name makes Wine start the program through start.exe,
# one more process.
# Services: Wine's services.exe gives a service's process 10 s to start and
# connect to it, then ends the process (ServicesPipeTimeout, which Wine reads
# as a string of milliseconds). Under emulation that start takes about a
# minute, so every service started on demand was ended half-started, the COM
# service (RpcSs) included, and the programs' calls into it failed: the prefix
# waits up to 10 minutes. RpcSs starts with the session, as on Windows, where
# it always runs.
# The mark file holds the revision of these settings; a kept prefix with an
# older one gets them again (one session) instead of being made anew.
EMULATED_PREFIX_SETTINGS=2
emulated_prefix_current() {
  [ "$(cat "$WINEPREFIX/.tavrin-ready" 2>/dev/null)" = "settings $EMULATED_PREFIX_SETTINGS" ]
}
prepare_emulated_prefix() {
  if emulated_prefix_current; then return 0; fi
  if [ -f "$WINEPREFIX/.tavrin-ready" ]; then
    log "bringing the settings of the emulated prefix $WINEPREFIX up to date (about 5 min)"
  else
    log "creating the emulated 32-bit Wine prefix $WINEPREFIX (about 10 min)"
    rm -rf "$WINEPREFIX"; mkdir -p "$(dirname "$WINEPREFIX")"
    # Judged by what it leaves: under emulation wineboot has ended with a
    # failing status after making a whole prefix.
    local status=0
    wine wineboot.exe --init >/dev/null 2>&1 </dev/null || status=$?
    [ -s "$WINEPREFIX/system.reg" ] || { log "wineboot --init made no prefix (exit status $status)"; return 1; }
    [ "$status" = 0 ] || log "wineboot --init ended with status $status; its registry is there, going on"
  fi
  local settings=$WINEPREFIX/tavrin-prefix.reg service
  {
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Graphics"="null"\r\n\r\n'
    if [ -n "$TAVRIN_PREFIX_WINDOWS" ]; then
      printf '[HKEY_CURRENT_USER\\Software\\Wine]\r\n"Version"="%s"\r\n\r\n' "$TAVRIN_PREFIX_WINDOWS"
    fi
    # The desktop menus and file associations wineboot refreshes at every session start.
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices]\r\n"winemenubuilder"=-\r\n\r\n'
    for service in Eventlog PlugPlay NDIS; do
      printf '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\%s]\r\n"Start"=dword:00000003\r\n\r\n' \
        "$service"
    done
    printf '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control]\r\n"ServicesPipeTimeout"="600000"\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\RpcSs]\r\n"Start"=dword:00000002\r\n\r\n'
  } >"$settings"
  wine regedit.exe /S "$(winpath "$settings")" >/dev/null 2>&1 </dev/null
  # Not `wineserver -w`: under emulation the prefix's wineboot has been seen to
  # stay for good, idle, once its work was done (the registry holds all of it).
  # Ending the session writes the registry too.
  wineserver -k
  echo "settings $EMULATED_PREFIX_SETTINGS" >"$WINEPREFIX/.tavrin-ready"
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

# The stages of scripts/demo and scripts/smoke-i686: a step's title, what it
# showed, and the end of the run as soon as a step does not do what it says.
step() { printf '\n== %s\n' "$*"; }
ok() { printf '   ok: %s\n' "$*"; }
fail() { printf '\n%s FAILED: %s\n' "$(basename "$0" | tr '[:lower:]' '[:upper:]')" "$*" >&2; exit 1; }
# wait_for SECONDS COMMAND...: polls until the command succeeds.
wait_for() {
  local limit=$1; shift
  for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
  return 1
}

# The settings the development service hands out in the demo and the smoke run.
SERVICE_SETTINGS='{"bookmarks":{"version":"12","items":["https://example.org/"]},"search_engines":"4","navigate_page":"9"}'

# install_version_1001 BIN INSTALL: the files of version 1.0.0.1 as the
# installer leaves them in INSTALL, the programs taken from the build's BIN.
install_version_1001() {
  local bin=$1 install=$2
  mkdir -p "$install/update" "$install/1.0.0.1"
  cp "$bin/TavrinLauncher.exe" "$install/"
  cp "$bin/tavrin.exe" "$install/tavrin.exe"
  cp "$bin/Mirup.exe" "$install/update/Mirup.exe"
  cp "$bin/uninst.exe" "$install/uninst.exe"
  printf '[MACHINE]\r\nMachineId=demo-machine-0001\r\n' >"$install/config.ini"
  echo "resources of 1.0.0.1" >"$install/1.0.0.1/resources.pak"
}

# serve_update_1002 BIN SERVICE: the update to version 1.0.0.2 (the stand-in
# browser of that version, the launcher and the updater of BIN, a resources
# file), encrypted as packages are, in SERVICE/packages/tavrin-1.0.0.2.zip,
# and SERVICE/config.json offering it with its digest beside SERVICE_SETTINGS.
serve_update_1002() {
  local bin=$1 service=$2 content=$2/package
  rm -rf "$content" "$service/packages"
  mkdir -p "$content/1.0.0.2" "$content/update" "$service/packages"
  cp "$bin/browser-1.0.0.2/tavrin.exe" "$content/tavrin.exe"
  cp "$bin/TavrinLauncher.exe" "$content/TavrinLauncher.exe"
  cp "$bin/Mirup.exe" "$content/update/Mirup.exe"
  echo "resources of 1.0.0.2" >"$content/1.0.0.2/resources.pak"
  (cd "$content" && zip -q -r -P "$PACKAGE_PASSWORD" "$service/packages/tavrin-1.0.0.2.zip" .)
  python3 - "$service/config.json" "$SERVICE_SETTINGS" <<'PY'
import json, sys
json.dump({"settings": sys.argv[2],
           "update": {"version": "1.0.0.2", "fileurl": "{base}/packages/tavrin-1.0.0.2.zip", "sha256": "auto"},
           "packages_dir": "packages"}, open(sys.argv[1], "w"))
PY
}
