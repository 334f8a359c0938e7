#!/bin/sh
# in-network-namespace.sh ADDRESS PROGRAM [ARGS...]
# Runs PROGRAM in a network namespace of its own (needs root), whose loopback
# device also holds ADDRESS: a connection to ADDRESS comes from a peer that is
# not on loopback, and no traffic leaves the namespace. The program finds the
# address in VELTRA_TEST_REMOTE_ADDRESS.
set -eu
if [ "${VELTRA_IN_NETWORK_NAMESPACE:-}" != 1 ]; then
  VELTRA_IN_NETWORK_NAMESPACE=1 exec unshare --net "$0" "$@"
fi
address=$1
shift
ip link set lo up
ip addr add "$address/32" dev lo
VELTRA_TEST_REMOTE_ADDRESS=$address exec "$@"
