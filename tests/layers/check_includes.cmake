# Checks that every source file under src/ keeps to its layer:
#
#   platform (the seam's headers, platform/*.h)
#     <- store, alarms (time arithmetic and texts; neither includes the other)
#     <- canvas, overview (the overview of every memo; neither includes the other)
#     <- alarm_schedule
#     <- the programs' shared cores (handheld/*, viewer/*)
#     <- the programs' shells (handheld/qt, handheld/win32, viewer/qt, viewer/win32),
#        over the overview's Qt view (overview/qt), which both Qt shells open
#   The backends (platform/qt, posix, linux, win32) implement the seam; only
#   the shells and the command-line programs (tools, notifier) see them.
#
# A quoted include must name a file of the same or a lower layer. The seam and
# the shared layers include no toolkit or OS header at all: their angle
# includes must be headers of the C++ standard library.
# Run with: cmake -DSOURCE_DIR=<repository>/src -P check_includes.cmake
cmake_minimum_required(VERSION 3.25)

function(layer_of path out)
  if(path MATCHES "^platform/[^/]+/")
    set(layer backend)
  elseif(path MATCHES "^(handheld|viewer|overview)/(qt|win32)/")
    set(layer ${CMAKE_MATCH_1}_shell)
  elseif(path MATCHES "^(handheld|viewer)/resources/")
    set(layer resources)
  elseif(path MATCHES "^([^/]+)/")
    set(layer ${CMAKE_MATCH_1})
  else()
    set(layer neighbour)
  endif()
  set(${out} ${layer} PARENT_SCOPE)
endfunction()

# What each layer may include with quotes.
set(allowed_platform platform)
set(allowed_store platform store)
set(allowed_alarms platform alarms)
set(allowed_canvas platform store alarms canvas)
set(allowed_overview platform store alarms overview)
set(allowed_alarm_schedule platform store alarms canvas alarm_schedule)
set(allowed_handheld platform store alarms canvas alarm_schedule handheld)
set(allowed_viewer platform store alarms canvas viewer)
set(allowed_backend platform backend)
set(allowed_overview_shell platform backend store alarms overview overview_shell)
set(allowed_handheld_shell platform backend store alarms canvas alarm_schedule handheld handheld_shell resources
  overview overview_shell)
set(allowed_viewer_shell platform backend store alarms canvas viewer viewer_shell resources overview overview_shell)
set(allowed_tools platform backend store alarms canvas tools)
set(allowed_notifier platform backend notifier)
set(allowed_resources "")

# The layers that stay free of toolkits and operating systems.
set(portable_layers platform store alarms canvas overview alarm_schedule handheld viewer)

# The C++20 standard library's headers, the C ones in their <c...> form.
set(standard_headers
  algorithm any array atomic barrier bit bitset charconv chrono codecvt compare complex
  concepts condition_variable coroutine deque exception execution expected filesystem
  format forward_list fstream functional future initializer_list iomanip ios iosfwd
  iostream istream iterator latch limits list locale map memory memory_resource mutex new
  numbers numeric optional ostream queue random ranges ratio regex scoped_allocator
  semaphore set shared_mutex source_location span sstream stack stdexcept stop_token
  streambuf string string_view syncstream system_error thread tuple type_traits typeindex
  typeinfo unordered_map unordered_set utility valarray variant vector version
  cassert cctype cerrno cfenv cfloat cinttypes climits clocale cmath csetjmp csignal
  cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype)

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.rc)
set(problems "")
foreach(source IN LISTS sources)
  layer_of(${source} from)
  if(NOT DEFINED allowed_${from})
    string(APPEND problems "\n  ${source}: in no known layer")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS includes)
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
      set(header "${CMAKE_MATCH_1}")
      if(from IN_LIST portable_layers AND NOT header IN_LIST standard_headers)
        string(APPEND problems "\n  ${source} (${from}) includes <${header}>, not a standard header")
      endif()
      continue()
    endif()
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    layer_of(${header} to)
    # A name without a folder is the file's neighbour.
    if(to STREQUAL "neighbour" OR to IN_LIST allowed_${from})
      continue()
    endif()
    string(APPEND problems "\n  ${source} (${from}) includes ${header} (${to})")
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "Includes that run against the layers:${problems}")
endif()
list(LENGTH sources checked)
message(STATUS "${checked} files keep to the layers")
