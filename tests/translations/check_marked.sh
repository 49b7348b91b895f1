#!/usr/bin/env bash
# Fails when a user-visible text in the program's QML or C++ is a bare literal instead of
# going through qsTr()/tr(). Knows the places texts are shown: QML properties such as
# text, title, placeholderText, tip, label and ToolTip.text; in C++ tooltips, tray
# messages, message boxes, window titles, labels and actions, alerts and notifications.
# The program's name "jotterly" and literals without letters are not texts to translate.
# Usage: check_marked.sh SOURCE_DIR
set -uo pipefail
export LC_ALL=C
src=${1:?usage: check_marked.sh SOURCE_DIR}

# Removes what may stand as is: marked texts, the name, comparisons with model values,
# markup around marked link texts, and comments.
strip_allowed() {
    sed -E -e 's#translate\("[^"]*", *"([^"\\]|\\.)*"#translate(#g' \
           -e 's#(qsTr|tr)\("([^"\\]|\\.)*"#\1(#g' \
           -e 's#(===?|!==?) *"[^"]*"##g' \
           -e 's#"jotterly"##g; s#u"jotterly"_s##g' \
           -e 's#"(<a href=\\"|\\">|</a>)"##g' \
           -e 's#//.*$##'
}

# True when a string literal in the input has a letter in it.
has_words() {
    grep -oE '"([^"\\]|\\.)*"' | grep -q '[A-Za-z]'
}

status=0
qml=$(grep -rnE --include='*.qml' '(^|[ {;,])(text|title|placeholderText|tip|label|ToolTip\.text)[[:space:]]*:' "$src" \
      | grep -vE '^[^:]+:[0-9]+:[[:space:]]*//' \
      | while IFS= read -r line; do
            # The bound value: after the last such property, up to the next one.
            value=$(strip_allowed <<<"${line#*:*:}" \
                    | sed -E 's#.*(text|title|placeholderText|tip|label)[[:space:]]*:##; s#,[[:space:]]*[A-Za-z_.]+[[:space:]]*:.*##')
            if has_words <<<"$value"; then echo "$line"; fi
        done)
cpp=$(grep -rnE --include='*.cpp' --include='*.h' \
      '(setToolTip|showMessage|setWindowTitle|setTitle|setText|setPlaceholderText|addAction|addMenu|QMessageBox|QAction|notifyUser|centredWindowFor|alerts->run)[[:space:]]*\(' "$src" \
      | while IFS= read -r line; do
            if strip_allowed <<<"${line#*:*:}" | has_words; then echo "$line"; fi
        done)
if [[ -n "$qml$cpp" ]]; then
    echo "User-visible texts not marked for translation (wrap them in qsTr() or tr()):"
    printf '%s\n' "$qml" "$cpp" | sed '/^$/d'
    status=1
fi
exit $status
