# The layers check itself: each case plants one file with one include in an
# otherwise empty tree and runs the check on it, which must fail or pass as
# the case says.
# Run with: cmake -DCHECK=<check_includes.cmake> -DWORK_DIR=<scratch folder> -P check_includes_test.cmake
cmake_minimum_required(VERSION 3.25)

# file | include | expected ("fails" or "passes")
set(cases
  "store/planted.cpp|\"canvas/memo_canvas.h\"|fails"
  "alarms/planted.cpp|\"alarm_schedule/alarm_scheduler.h\"|fails"
  "handheld/planted.cpp|\"handheld/qt/notepad_window.h\"|fails"
  "handheld/planted.h|\"platform/linux/systemd_units.h\"|fails"
  "viewer/planted.cpp|\"platform/qt/qt_drawing.h\"|fails"
  "viewer/planted.cpp|\"handheld/notepad.h\"|fails"
  "canvas/planted.cpp|<QImage>|fails"
  "alarm_schedule/planted.cpp|<windows.h>|fails"
  "platform/planted.h|<unistd.h>|fails"
  "store/planted.cpp|<sys/stat.h>|fails"
  "tools/planted.cpp|\"alarm_schedule/alarm_scheduler.h\"|fails"
  "notifier/planted.cpp|\"handheld/notepad.h\"|fails"
  "elsewhere/planted.cpp|<vector>|fails"
  "overview/planted.cpp|<QImage>|fails"
  "overview/planted.cpp|\"canvas/memo_canvas.h\"|fails"
  "overview/qt/planted.cpp|\"handheld/notepad.h\"|fails"
  "store/planted.cpp|<vector>|passes"
  "handheld/planted.cpp|\"alarm_schedule/alarm_scheduler.h\"|passes"
  "handheld/qt/planted.cpp|<QWidget>|passes"
  "handheld/qt/planted.cpp|\"platform/qt/qt_drawing.h\"|passes"
  "viewer/qt/planted.cpp|\"overview/qt/overview_dialog.h\"|passes"
  "overview/qt/planted.cpp|<QWidget>|passes"
  "viewer/win32/planted.rc|\"viewer/viewer_commands.h\"|passes"
  "platform/posix/planted.cpp|<sys/stat.h>|passes"
)

set(failures "")
set(index 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 file)
  list(GET fields 1 include)
  list(GET fields 2 expected)
  math(EXPR index "${index} + 1")
  set(tree ${WORK_DIR}/case-${index})
  file(REMOVE_RECURSE ${tree})
  file(WRITE ${tree}/${file} "#include ${include}\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -P ${CHECK}
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(result EQUAL 0)
    set(outcome passes)
  else()
    set(outcome fails)
  endif()
  if(NOT outcome STREQUAL expected)
    string(APPEND failures "\n  ${file} with #include ${include}: the check ${outcome}, expected it ${expected}")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "The layers check judged wrongly:${failures}")
endif()
message(STATUS "${index} planted includes judged as expected")
