<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>CameraSearchNotFoundUI</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>暂未搜索到相机</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重新搜索</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CameraSearchUI</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在搜索相机，请耐心等待...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CapturoUI</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PushButton</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相机配置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据来源</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相机</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>本地文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相机成像设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>视频模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>快门速度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>增益</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相机触发设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>外部</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>内部</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>去抖设置 (毫秒)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>触发类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结果显示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>图像列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>图像保存设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> 上升沿 </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> 下降沿 </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>去抖设置(毫秒)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>触发间隔(毫秒)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>选择图片文件夹路径</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HistogramOverlay</name>
    <message>
        <source>饱和像素: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>黑色像素: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ImageSetting</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存图片</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存路径</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>选择文件夹</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>图像类型</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NG</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>图像格式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Jpg</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bmp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>选择保存Bmp文件夹路径</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ToolDetail</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ToolManage</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tool_position</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>启动</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>名称</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>搜索范围(蓝色框显示)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>特征范围（绿色框）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>生成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>展示纹理信息</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CheckBox</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
