# Lints every QML file of src/ against Qt's QML modules and the ones this build made.
# Fails on what shows a view talking to an object whose type QML does not know: an
# unqualified access, a member looked up on a bare QObject, or one of our types that no
# module registers. (Qt 6.4's own type descriptions leave gaps, e.g. qint64 properties
# and attached enums of the controls, so its other warnings are shown but do not fail.)
file(GLOB_RECURSE files ${SOURCE_DIR}/src/*.qml)
execute_process(COMMAND ${QMLLINT} -I ${BUILD_QML_DIR} -I ${QT_QML_DIR} ${files}
    OUTPUT_VARIABLE output ERROR_VARIABLE output)
string(REGEX MATCHALL "Warning: [^\n]*(Unqualified access|not found on type \"(QObject|QtObject)\"|was not found\\. Did you add all import paths)[^\n]*"
    failures "${output}")
list(LENGTH failures count)
list(LENGTH files linted)
if(count GREATER 0)
    message(FATAL_ERROR "qmllint: ${count} untyped or unqualified accesses in ${linted} files\n${output}")
endif()
message(STATUS "qmllint: ${linted} files, no untyped or unqualified access\n${output}")
