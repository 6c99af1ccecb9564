#!/usr/bin/env bash
# Installs the Debian packages that are missing, by groups (Debian 12 and Debian 13 alike: every
# name below is the same in both releases; libclang-rt-dev is the default clang's runtime there):
#   scripts/install-deps.sh program     building and running the Linux program (scripts/run.sh)
#   scripts/install-deps.sh [GROUP...]  the groups named, by default every group that
#                                       scripts/test.sh uses (program tests clang windows wine32 packaging
#                                       desktop-fonts)
#   scripts/install-deps.sh --lacking GROUP...   installs nothing, prints the groups' packages
#                                       that are not installed, one a line
# --record FILE writes what could not be installed, one line a package with apt's reason, and
# a line for each index that `apt-get update` could not fetch.
# Exit status: 0 when every package is installed; 75 when some could not be (a package mirror
# without them, or with a broken index): they are named with apt's reason and the others are
# installed; 1 for any other failure. Does nothing when all of them are present already, so the
# run and test commands can call it every time.
set -euo pipefail

# One list a group: adding a package is adding its name to a list.
declare -A group_packages=(
  [program]="build-essential cmake ninja-build qt6-base-dev fonts-dejavu-core libreoffice-calc-nogui libreoffice-dev"
  [tests]="googletest libmpfr-dev locales acl clang-format xvfb xauth x11-apps imagemagick xdotool libx11-dev libxtst-dev dbus-daemon at-spi2-core sway wtype grim qt6-wayland"
  [clang]="clang libclang-rt-dev"
  # The 32-bit Windows build and its installer (configuring it names Wine as its test runner).
  [windows]="g++-mingw-w64-i686 mingw-w64-tools wine wixl msitools"
  # Wine runs the 32-bit Windows build's tests with the i386 libraries.
  [wine32]="wine32:i386"
  [packaging]="desktop-file-utils appstream lintian dpkg-dev file"
  # A desktop's fonts beside the DejaVu ones: the benchmark and one end-to-end case run beside
  # them, as a user's click does, so that a click slowed by the fonts shows in the test command.
  [desktop-fonts]="fonts-noto-core"
  # scripts/test-release.sh: a fresh root of a Debian release.
  [release-roots]="debootstrap"
  # QEMU's user mode runs Wine's 32-bit programs where the kernel runs none itself (scripts/test.sh
  # installs it only there). Not qemu-user-static: in Debian 13 it also registers every other
  # architecture with binfmt_misc for good.
  [i386-emulator]="qemu-user"
)
default_groups=(program tests clang windows wine32 packaging desktop-fonts)

usage() {
  echo "usage: $0 [--lacking] [--record FILE] [GROUP...]; groups: ${!group_packages[*]}" >&2
  exit 1
}
lacking_only=no
record=/dev/null
groups=()
while [ $# -gt 0 ]; do
  case "$1" in
    --lacking) lacking_only=yes ;;
    --record) [ $# -ge 2 ] || usage; record="$2"; shift ;;
    -*) usage ;;
    *) [ -n "${group_packages[$1]+set}" ] || usage; groups+=("$1") ;;
  esac
  shift
done
[ "${#groups[@]}" -gt 0 ] || groups=("${default_groups[@]}")
: >"$record"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
lacking() {
  local group package
  for group in "$@"; do
    for package in ${group_packages[$group]}; do
      installed "$package" || echo "$package"
    done
  done
}

if [ "$lacking_only" = yes ]; then
  lacking "${groups[@]}"
  exit 0
fi

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
apt_get() { DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get -y -q --no-install-recommends "$@"; }

mapfile -t missing < <(lacking "${groups[@]}" | sort -u)
unavailable=()
if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  # A package of a foreign architecture (wine32:i386) needs that architecture added first.
  for package in "${missing[@]}"; do
    architecture="${package#*:}"
    if [ "$architecture" != "$package" ] &&
      ! dpkg --print-foreign-architectures | grep -qx "$architecture"; then
      "${as_root[@]}" dpkg --add-architecture "$architecture"
    fi
  done

  # A mirror in mid-sync can serve an index with the wrong size: apt then ignores that index and
  # keeps what it had. Whatever it could fetch is still worth an install; what it lacks shows
  # below as a package that cannot be installed.
  output="$("${as_root[@]}" apt-get update -q 2>&1)" || {
    status=$?
    echo "install-deps: apt-get update failed (exit status $status) for some indexes; going on with the others. apt said:"
    apt_lines="$(grep -E '^(E|W|Err):' <<<"$output" || true)"
    sed 's/^/  /' <<<"$apt_lines"
    sed 's/^/apt-get update: /' <<<"$apt_lines" >>"$record"
  }

  # Which of the missing packages apt can install, each asked on its own when the whole set
  # cannot be, with apt's reason for those it cannot.
  installable=("${missing[@]}")
  if ! apt_get install -s "${missing[@]}" >/dev/null 2>&1; then
    installable=()
    for package in "${missing[@]}"; do
      if output="$(apt_get install -s "$package" 2>&1)"; then
        installable+=("$package")
        continue
      fi
      unavailable+=("$package")
      echo "install-deps: $package cannot be installed. apt said:"
      sed -n '/^The following packages have unmet dependencies:/,$p; /^E:/p' <<<"$output" |
        awk '!seen[$0]++' | sed 's/^/  /'
      unmet="$(grep -E '^ *[^ ]+ : |^ +(Depends|PreDepends|Breaks|Conflicts):' <<<"$output" || true)"
      reason="$(head -3 <<<"$unmet" | sed 's/^ *//' | paste -sd ';' | sed 's/;/; /g')"
      [ "$(wc -l <<<"$unmet")" -le 3 ] || reason+=" (and $(($(wc -l <<<"$unmet") - 3)) more unmet dependencies)"
      reason="${reason:+$reason; }$(grep '^E:' <<<"$output" | paste -sd ' ')"
      echo "$package: $reason" >>"$record"
    done
  fi

  if [ "${#installable[@]}" -gt 0 ]; then
    if ! output="$(apt_get install "${installable[@]}" 2>&1)"; then
      echo "$output" | tail -40
      echo "install-deps: apt-get install failed"
    fi
  fi
  # What dpkg holds now, whatever apt did: nothing counts as installed that is not.
  mapfile -t still_missing < <(lacking "${groups[@]}" | sort -u)
  installed_now=()
  for package in "${missing[@]}"; do
    [[ " ${still_missing[*]} " == *" $package "* ]] || installed_now+=("$package")
  done
  echo "install-deps: installed: ${installed_now[*]:-(none)}"
  if [ "${#still_missing[@]}" -gt 0 ]; then
    echo "install-deps: NOT installed: ${still_missing[*]}"
    for package in "${still_missing[@]}"; do
      if [[ " ${unavailable[*]} " != *" $package "* ]]; then
        echo "install-deps: $package could be installed by apt but is not installed after apt-get install"
        exit 1
      fi
    done
  fi
fi

# The comma-separator locale that the number formatting tests switch to.
if [[ " ${groups[*]} " == *" tests "* ]] && installed locales && ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  "${as_root[@]}" localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

if [ "${#unavailable[@]}" -gt 0 ]; then
  echo "install-deps: ${#unavailable[@]} package(s) could not be installed from this machine's package sources: ${unavailable[*]}"
  exit 75
fi
