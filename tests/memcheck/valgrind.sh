#!/bin/sh
# Runs a command under valgrind's memcheck. Any memory error, and any block
# lost for good (definitely or indirectly), ends it with status 99. Quiet when
# clean, so the command's own output and status stand as they are; also usable
# as LOOPCOST_WRAPPER in front of the command-line tool.
exec "${VALGRIND:-valgrind}" --tool=memcheck --quiet --error-exitcode=99 \
    --leak-check=full --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    --num-callers=30 "$@"
