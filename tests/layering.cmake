# The front ends reach the engine and the analysis through session/ alone: no
# file in cli/, ui/ or python/ includes an engine/ or analysis/ header. Run as
#   cmake -DROOT=<source dir> -P layering.cmake
file(GLOB_RECURSE sources ${ROOT}/cli/*.h ${ROOT}/cli/*.cpp ${ROOT}/ui/*.h ${ROOT}/ui/*.cpp
     ${ROOT}/python/*.cpp)
set(offenders "")
foreach(source IN LISTS sources)
  file(STRINGS ${source} lines REGEX "^#include \"(engine|analysis)/")
  foreach(line IN LISTS lines)
    file(RELATIVE_PATH name ${ROOT} ${source})
    list(APPEND offenders "${name}: ${line}")
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n  " text)
  message(FATAL_ERROR "front ends must include session/ headers only:\n  ${text}")
endif()
