# cpack reads the names of the files it packs in the locale of its caller, and the sample's
# pictures have Cyrillic names: with no locale set (a fresh machine, a container) it would take
# them for ASCII and fail. cpack reads this file before it packs, in the same process.
set(ENV{LC_ALL} C.UTF-8)
