# The Qt headers most widget sources include, parsed once per target rather
# than once per source: they are most of a Qt source's compile time. Worth it
# for the targets of many Qt sources: the pages, the sheet and their tests.
set(tolvane_qt_headers <QApplication> <QWidget> <QString> <QObject> <QTimer> <QPushButton> <QLineEdit>
    <QComboBox> <QCheckBox> <QLabel>)

# tolvane_precompile_qt_headers(TARGET [TEST]): TEST adds QTest, for a Qt
# Test program.
function(tolvane_precompile_qt_headers target)
  cmake_parse_arguments(arg "TEST" "" "" ${ARGN})
  set(headers ${tolvane_qt_headers})
  if(arg_TEST)
    list(APPEND headers <QTest>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
