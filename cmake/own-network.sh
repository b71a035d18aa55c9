#!/bin/sh
# own-network.sh <program> [arguments...]
#
# Runs a program that binds the fixed car link ports in a network namespace of its own, with
# only the loopback interface up, so that two runs on one machine never take each other's
# ports. Root gets a plain network namespace; others a user namespace too, where the kernel
# allows one. Where neither can be had (no unshare or ip, a container that forbids it) the
# program runs as it is, on the machine's own network.
set -u

if command -v unshare >/dev/null 2>&1 && command -v ip >/dev/null 2>&1; then
  for flags in -n -rn; do
    if unshare $flags sh -c 'ip link set lo up' >/dev/null 2>&1; then
      exec unshare $flags sh -c 'ip link set lo up && exec "$@"' sh "$@"
    fi
  done
fi
exec "$@"
