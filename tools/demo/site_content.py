"""What the demo update host offers: the player models and their firmware, in catalogue order."""

from dataclasses import dataclass, field


@dataclass(frozen=True)
class Firmware:
    version: str          # key name in the catalogue, ASCII
    date: str
    summary: str          # catalogue value and page subtitle
    changes: tuple        # bullet points of the firmware page
    image_kib: int        # size of the (incompressible) firmware image in the package
    extra_files: dict = field(default_factory=dict)  # relative path -> text, written in GBK
    # An old vendor page: code page 936 and no charset declaration, as pages of the time often were.
    old_page: bool = False


@dataclass(frozen=True)
class Model:
    name: str             # section name in the catalogue, ASCII
    title: str
    firmware: tuple


MODELS = (
    Model("YERO-T10", "YERO T10 数码音乐播放器 (128MB/256MB)", (
        # First model, first firmware: what a fresh start selects, so its package is the big one
        # whose download shows progress for a few seconds.
        Firmware("V1.05", "2005-09-12", "修正歌词显示错位，增加录音音量调节", (
            "修正部分歌曲歌词显示错位的问题",
            "增加录音音量调节（低/中/高三档）",
            "改善关机后待机电流，延长电池使用时间",
        ), 6 * 1024, {"Resource/lang_chs.txt": "语言包：简体中文\r\n版本 1.05\r\n"}),
        Firmware("V1.02", "2005-06-20", "首个公开发布的固件", (
            "首个公开发布的固件版本",
            "支持 MP3 / WMA 音乐播放",
            "支持 FM 收音和数码录音",
        ), 192),
    )),
    Model("YERO-T20", "YERO T20 彩屏数码音乐播放器 (512MB)", (
        Firmware("V2.01", "2005-10-08", "增加电子书功能，修正 FM 搜台问题", (
            "增加 TXT 电子书阅读功能",
            "修正 FM 自动搜台偶尔漏台的问题",
            "优化菜单操作速度",
        ), 320),
        Firmware("V2.00", "2005-08-15", "首个公开发布的固件", (
            "首个公开发布的固件版本",
            "支持 65K 色彩屏显示歌曲信息",
        ), 256, old_page=True),
    )),
)
