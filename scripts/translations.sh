#!/usr/bin/env bash
# Collects the interface texts of the host and the plugins into translations/*.ts
# (source language Chinese) and reports the texts that still lack a translation.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=${LUPDATE:-/usr/lib/qt5/bin/lupdate}
lrelease=${LRELEASE:-/usr/lib/qt5/bin/lrelease}
for ts in translations/kelvora_*.ts; do
  "$lupdate" -silent -locations none -no-obsolete -source-language zh_CN \
    host framework plugins corelink/include -ts "$ts"
  "$lrelease" "$ts" -qm /dev/null | grep -E 'Generated|unfinished|untranslated' || true
done
