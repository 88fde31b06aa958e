#!/bin/bash
# Finds out whether this kernel runs 32-bit x86 (i386) programs, which the
# 32-bit Wine needs. Some machines run 64-bit user code only (a kernel
# without IA-32 emulation, or a hypervisor that allows nothing else); there
# every i386 program fails with "Exec format error".
#
#   scripts/probe-i386.sh [FOLDER]
#
# Writes a static i386 program of 120 bytes into FOLDER (default: a new
# temporary folder) and runs it. The program makes two system calls through
# the 32-bit interface: write(1, "i386\n", 5) and exit(0). Only a kernel
# that ran it gives both the word and the status, so a shell that falls
# back to reading the file as a script, or a stale file, cannot pass for
# it. Exit status 0 (and no output) when i386 programs run; otherwise 1,
# with the reason on standard output.
set -u

folder=${1:-}
own_folder=0
if [ -z "$folder" ]; then
    folder=$(mktemp -d) || { echo "no temporary folder for the i386 probe"; exit 1; }
    own_folder=1
fi
probe="$folder/vorn-i386-probe.$$"

le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)); }
le32() {
    printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) \
        $(($1 >> 24 & 255))
}
base=$((0x08048000))  # where the one segment (the whole file) is mapped
code=84               # the code follows the ELF header (52) and one program header (32)
message=$((code + 31))
size=$((message + 5))
# ELF header: 32-bit, little-endian, an executable for the 80386.
bytes="\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00"
bytes+="$(le16 2)$(le16 3)$(le32 1)$(le32 $((base + code)))$(le32 52)$(le32 0)$(le32 0)"
bytes+="$(le16 52)$(le16 32)$(le16 1)$(le16 0)$(le16 0)$(le16 0)"
# One loadable segment, readable and executable, holding the whole file.
bytes+="$(le32 1)$(le32 0)$(le32 $base)$(le32 $base)$(le32 $size)$(le32 $size)$(le32 5)$(le32 4096)"
# mov eax, 4 (write); mov ebx, 1; mov ecx, message; mov edx, 5; int 0x80
bytes+="\\xb8$(le32 4)\\xbb$(le32 1)\\xb9$(le32 $((base + message)))\\xba$(le32 5)\\xcd\\x80"
# xor ebx, ebx; mov eax, 1 (exit); int 0x80; then the message
bytes+="\\x31\\xdb\\xb8$(le32 1)\\xcd\\x80i386\\n"

status=0
if ! printf "$bytes" > "$probe" || ! chmod 700 "$probe"; then
    echo "cannot write the i386 probe into $folder"
    status=1
else
    output=$( ("$probe") 2> "$probe.err")
    code_seen=$?
    if [ $code_seen -ne 0 ] || [ "$output" != i386 ]; then
        # bash words it "cannot execute binary file: Exec format error".
        reason=$(sed 's/^.*: //' "$probe.err" | head -1)
        echo "the kernel runs no 32-bit (i386) programs (${reason:-exit status $code_seen})"
        status=1
    fi
fi
rm -f "$probe" "$probe.err"
[ $own_folder -eq 1 ] && rmdir "$folder"
exit $status
