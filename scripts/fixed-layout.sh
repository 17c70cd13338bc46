# Sourced first, before anything else, by the scripts that start Wine: runs the calling script
# once more with address-space randomisation off, for it and every process it starts.
# Debian's Wine has no preloader. Its loader sits at a fixed address (0x7d000000), and the kernel
# puts a program's heap anywhere in the gigabyte after it: now and then over the pages Wine must
# map at 0x7ffe0000. That process dies before it runs ("failed to map the shared user data"),
# which CreateProcess reports as an internal error, cmd.exe as a command it cannot recognize, and
# a start from Linux as a silent exit status 1: about one start in several thousand. Without
# randomisation the heap stays beside the loader. Where the system refuses it (some container
# profiles do), Wine runs as before.
if [ -z "${MW_FIXED_LAYOUT:-}" ]; then
  export MW_FIXED_LAYOUT=1
  if setarch "$(uname -m)" -R true 2>/dev/null; then
    exec setarch "$(uname -m)" -R "${BASH:-bash}" "$0" "$@"
  fi
fi
