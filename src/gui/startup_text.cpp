#include "gui/startup_text.h"

#include <iterator>

namespace tonvale {
namespace {

// Lines 9 and 32 end where their sentence is broken, line 9 with a space; lines 10 and 33
// continue it after an ideographic space.
constexpr std::string_view kLines[] = {
    "% \"Tonvale ver2.00\" について．",
    "",
    "このアプリケーションは WAVE 形式の音楽ファイルをプロセ",
    "ス 1 から 3 で解析して音高認識を行い，プロセス 4 で出力",
    "結果を MIDI ファイルに変換する音楽解析ツールです．",
    "",
    "「新機能」",
    "・\"wav2mid\" ボタンを押せば WAVE から MIDI に一発変換．",
    "・\"wave\"，\"midi\" のラジオボタン切替だけで WAVE と MIDI ",
    "　のオープンファイル切替が可能になりました．",
    "・プロット画面をクリックすれば図が拡大表示．",
    "・リストボックスに処理の詳しい解説を記載．",
    "",
    "「各ボタンの説明」",
    "・\"play\" WAVE/MIDI ファイルの再生．",
    "・\"stop\" WAVE/MIDI ファイルの停止．",
    "・\"pause\" WAVE/MIDI ファイルの一時停止．",
    "・\"open file\" ファイルオープン．",
    "・\"wave\" WAVE ファイルの選択・読込．",
    "・\"midi\" MIDI ファイルの選択・読込．",
    "・\"load\" 設定変更.txt の読込．",
    "・\"setup\" 設定変更.txt を起動．",
    "・\"reset\" 設定変更.txt で変更した値の初期化．",
    "・\"readme\" readme.html を起動．",
    "----------",
    "・\"plot a figure here\" 図を 2 倍でプロット．",
    "----------",
    "・\"1. peak extraction\" プロセス 1，音楽音解析処理．",
    "・\"2. peak combination\" プロセス 2，クラスタリング処理．",
    "・\"3. pitch recognition\" プロセス 3，音高認識処理．",
    "・\"4. convert into midi\" プロセス 4，認識結果の MIDI 生成．",
    "・\"wav2mid\" このボタン 1 つでプロセス 1 ～ 4 をまとめて実",
    "　行，WAVE から MIDI に一発変換．",
    "・\"plot-1\" プロセス 1 の結果を描画または再描画．",
    "・\"plot-2\" プロセス 2 の結果を描画または再描画．",
    "・\"chmod\" 図の表示形式を変更してプロット．",
};

static_assert(std::size(kLines) == 36);

}  // namespace

std::span<const std::string_view> StartupText() {
  return kLines;
}

}  // namespace tonvale
