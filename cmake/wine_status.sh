#!/bin/sh
# Runs a Windows program under wine and, when it ends with another status
# than 0, says which. With wine's own messages off, a program that wine could
# not start, or that crashed before its output reached the pipe, leaves
# nothing else behind: the status tells a missing library (53, from
# 0xC0000135) from a crash (5, from 0xC0000005), a Ctrl+C (58, from
# 0xC000013A) or a signal to wine itself (128 + its number).
"$@"
status=$?
if [ "$status" -ne 0 ]; then
  for word; do
    case $word in *.exe) program=$word && break ;; esac
  done
  echo "wine_status: ${program:-$1} ended with status $status" >&2
fi
exit "$status"
