#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times one of the README's commands as a newcomer meets it: on a fresh minimal Debian 12 (a
# `debootstrap --variant=minbase bookworm` system with git added, in a chroot), from a clean
# clone of this repository's HEAD, packages included.
#   sudo bash scripts/fresh-machine.sh demo     # times bash scripts/demo.sh
#   sudo bash scripts/fresh-machine.sh test     # times bash scripts/test.sh
# Needs root, Debian's debootstrap and the network to Debian's mirror. The base system is made
# once and kept as build/fresh-machine/base.tar; every run unpacks it into a new folder, so
# each starts from the same fresh machine. The chroot shares this machine's kernel, processor
# and network, nothing else. Prints the command's wall-clock, user and system times.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
case "${1:-}" in
  demo) command="bash scripts/demo.sh" ;;
  test) command="bash scripts/test.sh" ;;
  *) echo "usage: sudo bash scripts/fresh-machine.sh demo|test" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine: needs root (debootstrap, chroot, mounts)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "fresh-machine: needs debootstrap (apt install debootstrap)" >&2; exit 2; }

work=$root/build/fresh-machine
base=$work/base.tar
mkdir -p "$work"
if [ ! -f "$base" ]; then
  echo "fresh-machine: making the base system (debootstrap --variant=minbase bookworm)"
  staging=$work/base
  rm -rf "$staging"
  debootstrap --variant=minbase bookworm "$staging" http://deb.debian.org/debian
  # The sources a Debian 12 installation has: the release, its updates, security.
  rm -f "$staging/etc/apt/sources.list"
  cat >"$staging/etc/apt/sources.list.d/debian.sources" <<'SOURCES'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  cp /etc/resolv.conf "$staging/etc/resolv.conf"
  chroot "$staging" bash -c 'export DEBIAN_FRONTEND=noninteractive; apt-get update -q &&
    apt-get install -y -q --no-install-recommends git ca-certificates'
  tar -C "$staging" -cf "$base" .
  rm -rf "$staging"
fi

machine=$work/run-$1
rm -rf "$machine"
mkdir -p "$machine"
tar -C "$machine" -xf "$base"
cp /etc/resolv.conf "$machine/etc/resolv.conf"
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[$i]}" 2>/dev/null || true; done
}
trap cleanup EXIT
for folder in proc sys dev dev/pts; do
  mkdir -p "$machine/$folder"
  mount --bind "/$folder" "$machine/$folder"
  mounted+=("$machine/$folder")
done
git clone -q "$root" "$machine/root/bramsoliket"
echo "fresh-machine: $command in $machine/root/bramsoliket ($(git -C "$root" rev-parse --short HEAD))"
chroot "$machine" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c "cd /root/bramsoliket && TIMEFORMAT='fresh-machine: wall %R s, user %U s, system %S s' && time $command"
