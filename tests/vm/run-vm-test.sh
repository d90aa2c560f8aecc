#!/usr/bin/env bash
# The updater against the unit emulator through a real ALSA sequencer.
#
#   bash tests/vm/run-vm-test.sh BUILD_DIR SOURCE_DIR [device-link] [gui]
#
# Where /dev/snd/seq is usable, the checks run here directly. Elsewhere a stock
# Debian kernel is booted under qemu (software emulation) with the sequencer
# modules loaded, the host's /usr and the build and source directories shared
# read-only, and the checks run inside it. Exit status: 0 passed, 1 failed,
# 77 skipped (qemu cannot run here). Results, the emulator's flash files and
# the guest's console log go to BUILD_DIR/vm-test/.
set -euo pipefail

build=$(realpath "$1")
source=$(realpath "$2")
shift 2
checks=("${@:-device-link}")

results="$build/vm-test"
guestScript="$source/tests/vm/guest-checks.sh"
bootTimeout=${ZARVEL_VM_TIMEOUT:-900}

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

rm -rf "$results"
mkdir -p "$results"

#-------------------------------------------------------------------------------
# A developer's desktop: the sequencer is right here.
if [ -z "${ZARVEL_VM_FORCE:-}" ] && [ -c /dev/snd/seq ] && (exec 3<>/dev/snd/seq) 2>/dev/null; then
    echo "=== /dev/snd/seq is usable here: running the checks without a VM"
    status=0
    RESULTS="$results" BUILD="$build" SOURCE="$source" bash "$guestScript" "${checks[@]}" || status=$?
    [ $status -eq 0 ] && echo "PASSED: ${checks[*]} (host sequencer)" || echo "FAILED: ${checks[*]} (host sequencer)"
    exit $status
fi

#-------------------------------------------------------------------------------
# The kernel, fetched once into a cache under the build directory.
command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed"
for tool in busybox cpio xz depmod modprobe apt-get dpkg-deb; do
    command -v "$tool" >/dev/null || [ -x "/bin/$tool" ] || skip "$tool is not installed"
done

cache="$build/vm-cache"
mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9

kernelPackage=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ { print $2; exit }')
[ -n "$kernelPackage" ] || { apt-get update -qq >/dev/null 2>&1 || true;
    kernelPackage=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ { print $2; exit }'); }
[ -n "$kernelPackage" ] || skip "no Debian kernel package is known to apt"
kernelVersion=${kernelPackage#linux-image-}
kernelRoot="$cache/$kernelPackage"

if [ ! -f "$kernelRoot/vmlinux" ]; then
    echo "=== fetching $kernelPackage"
    rm -rf "$kernelRoot" "$cache"/*.deb
    (cd "$cache" && { apt-get download -q "$kernelPackage" >/dev/null 2>&1 \
                      || { apt-get update -qq >/dev/null 2>&1 && apt-get download -q "$kernelPackage" >/dev/null 2>&1; }; }) \
        || skip "cannot download $kernelPackage"
    dpkg-deb -x "$cache"/"$kernelPackage"_*.deb "$kernelRoot.partial"
    depmod -b "$kernelRoot.partial" "$kernelVersion"

    # The uncompressed kernel boots through its PVH entry point, much faster
    # than the compressed one under emulation.
    vmlinuz="$kernelRoot.partial/boot/vmlinuz-$kernelVersion"
    offset=$(LC_ALL=C grep -aboP '\xFD7zXZ\x00' "$vmlinuz" | head -1 | cut -d: -f1 || true)
    [ -n "$offset" ] || fail "no xz stream in $vmlinuz"
    { tail -c +$((offset + 1)) "$vmlinuz" || true; } | xz -dc --single-stream > "$kernelRoot.partial/vmlinux" 2>/dev/null || true
    [ -s "$kernelRoot.partial/vmlinux" ] || fail "could not unpack the kernel from $vmlinuz"
    rm -f "$cache"/*.deb
    mv "$kernelRoot.partial" "$kernelRoot"
fi
flock -u 9

#-------------------------------------------------------------------------------
# The initramfs: busybox, the sequencer and 9p modules, and an init that runs
# the checks and powers off.
work="$results/initramfs"
root="$work/root"
mkdir -p "$root"/{bin,sbin,dev,proc,sys,usr,tmp,run,root,etc,var/tmp,var/lib/xkb,lib}
cp "$(command -v busybox || echo /bin/busybox)" "$root/bin/busybox"
for applet in sh mount mkdir ln cat echo sync poweroff modprobe sleep; do
    ln -s busybox "$root/bin/$applet"
done
ln -s ../bin/busybox "$root/sbin/modprobe"
ln -s usr/lib64 "$root/lib64"
ln -s ../usr/lib/x86_64-linux-gnu "$root/lib/x86_64-linux-gnu"
ln -s /proc/self/fd "$root/dev/fd"

modules="snd-seq snd-seq-dummy snd-hrtimer virtio_pci 9pnet_virtio 9p"
modprobe -d "$kernelRoot" -S "$kernelVersion" --show-depends -a $modules snd-virmidi \
    | awk '$1 == "insmod" { print $2 }' | sort -u | while read -r ko; do
        relative=${ko#"$kernelRoot"/}
        mkdir -p "$root/$(dirname "$relative")"
        cp "$ko" "$root/$relative"
    done
cp "$kernelRoot/lib/modules/$kernelVersion/modules.order" "$kernelRoot/lib/modules/$kernelVersion/modules.builtin" \
   "$root/lib/modules/$kernelVersion/" 2>/dev/null || true
depmod -b "$root" "$kernelVersion"

# What programs from the host's /usr expect to find in /etc.
cp /etc/ld.so.cache "$root/etc/"
cp -a /etc/alternatives "$root/etc/"
[ -d /etc/fonts ] && cp -a /etc/fonts "$root/etc/"
[ -d /var/cache/fontconfig ] && mkdir -p "$root/var/cache" && cp -a /var/cache/fontconfig "$root/var/cache/"
printf 'root:x:0:0:root:/root:/bin/sh\n' > "$root/etc/passwd"
printf 'root:x:0:\n' > "$root/etc/group"

cat > "$root/init" <<EOF
#!/bin/sh
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /var/tmp
mount -t tmpfs tmpfs /run
echo "zarvel-vm: guest up"
for m in $modules; do modprobe \$m || echo "zarvel-vm: cannot load \$m"; done
# One virtual raw MIDI port: the shape of a cable-connected device.
modprobe snd-virmidi midi_devs=1 || echo "zarvel-vm: cannot load snd-virmidi"
[ -e /dev/snd/seq ] || echo "zarvel-vm: no /dev/snd/seq"
share() { mkdir -p "\$2"; mount -t 9p -o trans=virtio,version=9p2000.L,\$3,cache=loose,msize=262144 "\$1" "\$2"; }
share hostusr /usr ro
share build "$build" ro
share source "$source" ro
share results "$results" rw
export PATH=/usr/bin:/usr/sbin:/bin:/sbin HOME=/root LANG=C.UTF-8
export RESULTS="$results" BUILD="$build" SOURCE="$source"
/usr/bin/bash "$guestScript" ${checks[*]}
echo \$? > "$results/verdict"
sync
echo "zarvel-vm: powering off"
poweroff -f
EOF
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initramfs.cpio.gz"

#-------------------------------------------------------------------------------
# The boot, bounded in time; the console goes to the log and to this output.
cpus=$(( $(nproc) >= 2 ? 2 : 1 ))
console="$results/console.log"
echo "=== booting $kernelPackage under qemu (tcg, $cpus vCPUs), checks: ${checks[*]}"
start=$(date +%s%N)
qemuStatus=0
timeout --kill-after=10 "$bootTimeout" qemu-system-x86_64 \
    -accel tcg,thread=multi -cpu max -M pc -smp "$cpus" -m 1024 \
    -nodefaults -no-user-config -display none -monitor none -no-reboot \
    -serial "file:$console" \
    -kernel "$kernelRoot/vmlinux" -initrd "$work/initramfs.cpio.gz" \
    -append "console=ttyS0 quiet panic=-1 tsc=reliable" \
    -virtfs "local,path=/usr,mount_tag=hostusr,security_model=none,readonly=on" \
    -virtfs "local,path=$build,mount_tag=build,security_model=none,readonly=on" \
    -virtfs "local,path=$source,mount_tag=source,security_model=none,readonly=on" \
    -virtfs "local,path=$results,mount_tag=results,security_model=none" \
    </dev/null > "$results/qemu.log" 2>&1 || qemuStatus=$?
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))

tr -d '\r' < "$console" | sed 's/^/guest| /'
echo "=== qemu exited with status $qemuStatus after ${elapsed} ms; console log: $console"

if ! grep -q "zarvel-vm: guest up" "$console" 2>/dev/null; then
    cat "$results/qemu.log"
    [ $qemuStatus -eq 124 ] && fail "the guest did not come up within ${bootTimeout} s"
    skip "qemu cannot boot a kernel on this machine (status $qemuStatus)"
fi
[ $qemuStatus -eq 124 ] || [ $qemuStatus -eq 137 ] && fail "the guest did not finish within ${bootTimeout} s (hang?)"
[ -f "$results/verdict" ] || fail "the guest gave no verdict"
verdict=$(cat "$results/verdict")
[ "$verdict" = 0 ] || fail "the checks failed in the guest (status $verdict)"
echo "PASSED: ${checks[*]} (ALSA sequencer of a $kernelPackage guest)"
