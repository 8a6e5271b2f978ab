#!/usr/bin/env bash
# A one-machine Slurm cluster for the distributed tests.
#
#   scripts/test-cluster.sh start <state-dir>   writes <state-dir>/cluster.env
#   scripts/test-cluster.sh stop <state-dir>
#
# cluster.env holds one of:
#   SLURM_CONF=<file>   a private cluster was started for the tests (stop removes it again)
#   EXISTING=1          the machine's own cluster answers: the tests use it and nothing is started
#   SKIP=<reason>       no cluster can be had here; the tests that need one are skipped
#
# A private cluster lives entirely in a directory of its own under /tmp: its configuration
# (given to every client through SLURM_CONF), munge key and socket, spool, state and logs, on
# ports of its own. Nothing under /etc is read or written, so a cluster configured on the machine
# is left alone whether it runs or not. Starting needs root (slurmd launches the tasks) and the
# Debian packages slurm-wlm and munge, which scripts/setup.sh installs.
set -uo pipefail

command=${1:-}
state=${2:-}
if [ -z "$command" ] || [ -z "$state" ]; then
  echo "usage: $0 start|stop <state-dir>" >&2
  exit 2
fi
mkdir -p "$state"
envfile="$state/cluster.env"

say() { echo "test-cluster: $*" >&2; }

# Still running: alive and not a zombie waiting for a parent that does not collect it.
running() { [ -e "/proc/$1" ] && ! grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat" 2>/dev/null; }

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

stop() {
  [ -f "$envfile" ] || return 0
  local dir
  dir=$(sed -n 's/^STATE=//p' "$envfile")
  if [ -n "$dir" ] && [ -d "$dir" ]; then
    local pids=() pid
    for pidfile in "$dir/slurmd.pid" "$dir/slurmctld.pid" "$dir/munge/munged.pid"; do
      [ -f "$pidfile" ] && pid=$(cat "$pidfile") && [ -n "$pid" ] && pids+=("$pid")
    done
    # All at once: each daemon takes a moment to shut down.
    [ ${#pids[@]} -gt 0 ] && kill "${pids[@]}" 2>/dev/null
    for _ in $(seq 100); do
      local left=0
      for pid in "${pids[@]}"; do running "$pid" && left=1; done
      [ $left = 0 ] && break
      sleep 0.1
    done
    for pid in "${pids[@]}"; do running "$pid" && kill -9 "$pid" 2>/dev/null; done
    rm -rf "$dir"
  fi
  rm -f "$envfile"
}

start() {
  stop
  # The machine's own cluster, when it answers, is used as it is.
  if command -v sinfo >/dev/null && { [ -n "${SLURM_CONF:-}" ] || [ -f /etc/slurm/slurm.conf ]; } &&
     timeout 15 sinfo --noheader >/dev/null 2>&1; then
    say "using the cluster configured on this machine"
    echo "EXISTING=1" >"$envfile"
    return 0
  fi
  if [ "$(id -u)" != 0 ]; then
    echo "SKIP=starting a test cluster needs root" >"$envfile"; return 0
  fi
  for program in /usr/sbin/slurmctld /usr/sbin/slurmd /usr/sbin/munged; do
    if [ ! -x "$program" ]; then
      echo "SKIP=slurm-wlm and munge are not installed (scripts/setup.sh installs them)" >"$envfile"; return 0
    fi
  done

  local dir host cpus memory ctl_port=6917 node_port
  dir=$(mktemp -d /tmp/torvo-slurm.XXXXXX)
  chmod 755 "$dir"
  echo "STATE=$dir" >"$envfile"
  while ! port_free "$ctl_port" || ! port_free $((ctl_port + 1)); do ctl_port=$((ctl_port + 2)); done
  node_port=$((ctl_port + 1))
  host=$(hostname -s)
  cpus=$(nproc)
  memory=$(( $(awk '/MemTotal/ {print int($2 / 1024)}' /proc/meminfo) / 2 ))

  # munge, as its own user, with a key and a socket of this cluster only.
  mkdir -p "$dir/munge" "$dir/munge-key" "$dir/spool" "$dir/state" "$dir/log"
  dd if=/dev/urandom bs=1 count=1024 of="$dir/munge-key/munge.key" 2>/dev/null
  chown -R munge:munge "$dir/munge" "$dir/munge-key"
  chmod 700 "$dir/munge-key"
  chmod 400 "$dir/munge-key/munge.key"
  if ! su -s /bin/sh munge -c "/usr/sbin/munged --socket=$dir/munge/munge.socket \
        --key-file=$dir/munge-key/munge.key --log-file=$dir/munge-key/munged.log \
        --pid-file=$dir/munge/munged.pid --seed-file=$dir/munge-key/munged.seed" 2>"$dir/log/munged.err"; then
    say "munged did not start: $(cat "$dir/log/munged.err")"
    echo "SKIP=munged did not start" >>"$envfile"; return 1
  fi

  cat >"$dir/slurm.conf" <<CONF
ClusterName=torvotest
SlurmctldHost=$host
SlurmctldPort=$ctl_port
SlurmdPort=$node_port
SlurmUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/munge.socket
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SchedulerType=sched/backfill
SchedulerParameters=batch_sched_delay=0
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
KillWait=2
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
JobAcctGatherType=jobacct_gather/none
MpiDefault=none
NodeName=$host CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=torvo Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
  export SLURM_CONF="$dir/slurm.conf"
  # Without a cgroup.conf next to it slurmd needs no cgroup plugin.
  /usr/sbin/slurmctld -c -f "$SLURM_CONF" || { say "slurmctld did not start"; return 1; }
  /usr/sbin/slurmd -f "$SLURM_CONF" || { say "slurmd did not start"; return 1; }
  for _ in $(seq 150); do
    if sinfo --noheader --format=%t 2>/dev/null | grep -q idle; then
      echo "SLURM_CONF=$SLURM_CONF" >>"$envfile"
      say "cluster up: export SLURM_CONF=$SLURM_CONF"
      return 0
    fi
    sleep 0.2
  done
  say "the node did not become idle; see $dir/log"
  return 1
}

case "$command" in
  start) start || { stop; echo "SKIP=the test cluster did not start" >"$envfile"; exit 1; } ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop <state-dir>" >&2; exit 2 ;;
esac
