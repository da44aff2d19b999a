# Shared by scripts/test and scripts/demo: packages, build, Wine prefix, display.
# Source it; it expects $root (the repository) to be set.

build_dir=${LUMEN_BUILD_DIR:-$root/build}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

lumen_packages=(
  cmake ninja-build make
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64 xvfb xauth locales
  googletest libeasyloggingpp-dev librapidxml-dev
)

say() { printf '\n== %s\n' "$*"; }

# Installs every package of "$@" that is not installed yet (needs root).
ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Run this command as root once (it installs them with apt-get), or install them yourself." >&2
    exit 2
  fi
  say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Some tests also run under German and Japanese locales; Wine takes its locale
# from the Unix one, which must exist.
ensure_test_locales() {
  local name missing=0
  for name in de_DE ja_JP; do
    locale -a 2>/dev/null | grep -qi "^$name\.utf-\?8$" && continue
    missing=1
    [ "$(id -u)" -eq 0 ] || continue
    sed -i "s/^# *\($name.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" >> /etc/locale.gen
  done
  [ $missing -eq 1 ] && [ "$(id -u)" -eq 0 ] && locale-gen >/dev/null
  return 0
}

# Arguments go to the build (for example --target demo); none builds everything.
configure_and_build() {
  say "configuring and building in $build_dir"
  cmake -S "$root" -B "$build_dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
        -DCMAKE_BUILD_TYPE="${LUMEN_BUILD_TYPE:-Release}" >/dev/null
  cmake --build "$build_dir" -j "$(nproc)" "$@"
}

export_wine_environment() {
  export WINEPREFIX="$build_dir/wineprefix"
  export WINEDEBUG=-all
  # Wine must never offer to download its .NET or HTML engines: nothing answers.
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# Runs "$@" with an X display of 24 bits (colours and screenshots need it).
with_display() {
  xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
}

# Runs "$@" on a virtual display with one persistent wine server for every
# Wine program it starts: each then starts in a fraction of a second instead
# of paying Wine's start-up. The server stops when the command ends.
with_wine_session() {
  with_display bash -c '
    "$0" -p
    # Wine'"'"'s own services start now, their output going nowhere: started by
    # the first program they would inherit its pipes, and ctest would wait forever.
    "$1" wineboot >/dev/null 2>&1 </dev/null
    # The tests start programs from programs (the demo host): Wine must be able
    # to, which a prefix made moments ago may not be while its services start.
    for attempt in $(seq 30); do
      "$1" cmd /c "cmd /c exit 7" >/dev/null 2>&1 </dev/null
      [ $? -eq 7 ] && break
      [ "$attempt" -eq 30 ] && echo "Wine starts no program from a program yet; the tests go on." >&2
      sleep 1
    done
    status=0
    "${@:2}" || status=$?
    "$0" -k || true
    exit $status' "$wineserver" "$wine" "$@"
}

# Creates the build's own Wine prefix once: unmanaged windows (no 2 s wait per
# hidden window without a window manager) and no crash dialog waiting for a click.
prepare_wine_prefix() {
  export_wine_environment
  [ -f "$WINEPREFIX/.lumen-ready" ] && return 0
  say "creating the Wine prefix $WINEPREFIX"
  with_display bash -c '
    "$0" wineboot --init >/dev/null 2>&1
    "$0" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /t REG_SZ /d N /f >/dev/null
    "$0" reg add "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
    "$1" -w' "$wine" "$wineserver"
  touch "$WINEPREFIX/.lumen-ready"
}

# The real editor control (Scintilla 5 with Lexilla), the regular expression
# library (PCRE2) and the charset detector (uchardet) are built from Debian's
# "scite", "pcre2" and "uchardet" source packages, unpacked once into the
# build tree; CMake finds them there.
# Nothing of them is kept in the repository.
scite_source_dir=$build_dir/third_party/scite
pcre2_source_dir=$build_dir/third_party/pcre2
uchardet_source_dir=$build_dir/third_party/uchardet
compression_packages=(zlib bzip2 xz-utils libzstd)

# Adds deb-src to every "Types:" line of the Debian mirror's sources that lacks it.
enable_deb_src() {
  local sources=/etc/apt/sources.list.d/debian.sources
  [ -f "$sources" ] || return 1
  grep -q '^Types:.*deb-src' "$sources" && return 0
  sed -i '/^Types:/{/deb-src/!s/$/ deb-src/}' "$sources"
}

# Unpacks Debian's source package $1 into the folder $2 once; returns non-zero
# (having said why) when that cannot happen here.
fetch_debian_source() {
  local package=$1 folder=$2
  [ -d "$folder" ] && return 0
  if [ -z "$(apt-cache showsrc "$package" 2>/dev/null)" ]; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "Debian's $package sources are not known to apt; run this command as root once to fetch them." >&2
      return 1
    fi
    if ! enable_deb_src; then
      echo "No /etc/apt/sources.list.d/debian.sources to enable deb-src in." >&2
      return 1
    fi
    say "enabling Debian's source packages"
    apt-get update -qq
  fi
  if ! command -v dpkg-source >/dev/null; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "dpkg-dev is missing (it unpacks source packages)." >&2
      return 1
    fi
    ensure_packages dpkg-dev
  fi
  say "fetching Debian's $package sources"
  # Unpacked beside the final place and moved there whole, so an interrupted
  # fetch is never mistaken for a finished one. The newest version first; a
  # mirror that lacks its files (a security update) gives an older one.
  local partial=$folder.partial version
  for version in $(apt-cache showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p'); do
    rm -rf "$partial"
    mkdir -p "$partial"
    if (cd "$partial" && apt-get source -qq -o APT::Sandbox::User=root "$package=$version" >/dev/null 2>&1); then
      mv "$partial" "$folder"
      return 0
    fi
  done
  rm -rf "$partial"
  echo "apt-get source $package failed." >&2
  return 1
}

# A machine where Scintilla's sources cannot be had (no root, no mirror) still
# builds and tests everything else: CMake then skips the real control.
ensure_scintilla_sources() {
  fetch_debian_source scite "$scite_source_dir" ||
    echo "Until then the real editor control (Scintilla 5) is skipped." >&2
  return 0
}

# The find bar's regular expressions need PCRE2 and the loader's charset
# detection uchardet: without them nothing builds.
ensure_library_sources() {
  fetch_debian_source pcre2 "$pcre2_source_dir" || exit 2
  fetch_debian_source uchardet "$uchardet_source_dir" || exit 2
  local package
  for package in "${compression_packages[@]}"; do
    fetch_debian_source "$package" "$build_dir/third_party/$package" || exit 2
  done
}

# A Unix path as Wine's programs see it: drive Z: is the Unix root.
windows_path() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}
