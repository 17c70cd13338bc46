# Unpacks ZIP into a fresh DEST: cmake -DZIP=... -DDEST=... -P unpack.cmake
file(REMOVE_RECURSE "${DEST}")
file(MAKE_DIRECTORY "${DEST}")
file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${DEST}")
