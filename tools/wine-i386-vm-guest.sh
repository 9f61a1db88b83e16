#!/bin/sh
# The inside of the machine of tools/wine-i386-vm.sh, run by its initramfs' busybox once the
# tree is mounted at /ov/tree: the i386 root from its disk, /tmp and the tree at the same paths
# as outside, an X server, then every command line handed in through STATE/requests, several at
# a time.
for word in $(cat /proc/cmdline); do
  case "$word" in
    ov.tree=*) tree=${word#ov.tree=} ;;
    ov.state=*) state=${word#ov.state=} ;;
  esac
done
options=trans=virtio,version=9p2000.L,msize=262144,cache=mmap
# Requests and answers: no caching at all, both sides write there. Here at /ov/state, in the
# root at their own path, through the tree.
mkdir -p /ov/state
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 state /ov/state
mount -t ext4 /dev/vda /mnt
mount -t 9p -o "$options" tmp /tmp
mount -t devtmpfs devtmpfs /mnt/dev
mkdir -p /mnt/dev/pts /mnt/dev/shm
mount -t devpts devpts /mnt/dev/pts
mount -t tmpfs tmpfs /mnt/dev/shm
mount -t proc proc /mnt/proc
mount -t sysfs sysfs /mnt/sys
mount -o bind /tmp /mnt/tmp
mkdir -p "/mnt$tree"
mount -o bind /ov/tree "/mnt$tree"
# Sockets do not cross 9p: the X server's and wineserver's (in $TMPDIR) live in the machine's
# memory.
mkdir -p /tmp/.X11-unix
mount -t tmpfs tmpfs /mnt/tmp/.X11-unix
chmod 1777 /mnt/tmp/.X11-unix
mount -t tmpfs tmpfs /mnt/run
# A root still being made has no X server yet. Its lock file would go to the shared /tmp,
# where this machine's process numbers mean nothing: none.
if [ -x /mnt/usr/bin/Xvfb ]; then
  chroot /mnt /usr/bin/Xvfb :0 -nolock -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  for _ in $(seq 300); do
    [ -e /mnt/tmp/.X11-unix/X0 ] && break
    sleep 0.1
  done
fi
touch /ov/state/up
while [ ! -e /ov/state/halt ]; do
  for go in /ov/state/requests/*/go; do
    [ -e "$go" ] || continue
    request=${go%/go}
    rm "$go"
    (
      chroot /mnt /usr/bin/env TMPDIR=/run /bin/sh "$state/requests/${request##*/}/command" \
        </dev/null >"$request/out" 2>"$request/err" &
      echo $! >"$request/pid"
      wait $!
      echo $? >"$request/status.tmp"
      mv "$request/status.tmp" "$request/status"
    ) &
  done
  for signal in /ov/state/requests/*/signal; do
    [ -e "$signal" ] || continue
    request=${signal%/signal}
    [ -e "$request/pid" ] && kill -s "$(cat "$signal")" "$(cat "$request/pid")" 2>/dev/null
    rm -f "$signal"
  done
  sleep 0.02
done
sync
poweroff -f
