#!/usr/bin/env bash
# Installs what is missing, builds Tonvale, and shows the settings file being written and read.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
build/tests/tonvale_app_tests --gtest_filter='SettingsFileTest.*'
echo
echo "The default settings file (code page 932 on disk, shown as UTF-8):"
iconv -f CP932 -t UTF-8 tests/app/data/settings_default_cp932.golden | tr -d '\r'
