; Drawing through the menu procedures onto Edit Style Layers, as the style
; editor and users do.

(define (qv-layer-names image)
  (map (lambda (l) (car (gimp-item-get-name l))) (vector->list (cadr (gimp-image-get-layers image)))))

(define (qv-pixel layer x y)
  (let ((p (cadr (gimp-drawable-get-pixel layer x y))))
    (list (vector-ref p 0) (vector-ref p 1) (vector-ref p 2))))

(define (qv-count-names name names)
  (cond ((null? names) 0)
        ((string=? name (car names)) (+ 1 (qv-count-names name (cdr names))))
        (else (qv-count-names name (cdr names)))))

(qv-test "Draw on ESL makes the path's ESL once and paints only it"
         (lambda ()
           (let* ((image (qv-new-image 100 100))
                  (background (car (gimp-image-get-active-layer image)))
                  (path (qv-add-square image "Box" 20 20 40))
                  (esl-name (string-append "۞ ESL-" (number->string (car (gimp-item-get-tattoo path))))))
             (plug-in-qv-path-set-style-attribute image "Box" "fill" "255 0 0")
             (gimp-image-set-active-vectors image path)
             (plug-in-qv-path-draw-current-temp 1 image background 0.5)
             (plug-in-qv-path-set-style-attribute image "Box" "fill" "0 0 255")
             (plug-in-qv-path-draw-current-temp 1 image background 0.5)
             (let ((names (qv-layer-names image)))
               (qv-check-equal "one ESL" 1 (qv-count-names esl-name names))
               (let ((esl (car (gimp-image-get-layer-by-name image esl-name))))
                 (qv-check-equal "redrawn blue inside" '(0 0 255) (qv-pixel esl 40 40))
                 (qv-check-equal "transparent outside" 0 (vector-ref (cadr (gimp-drawable-get-pixel esl 90 90)) 3))))
             (qv-check-equal "background untouched" '(255 255 255) (qv-pixel background 40 40))
             (plug-in-qv-remove-all-esl-layer 1 image background)
             (qv-check-equal "ESLs removed" '("Background") (qv-layer-names image))
             (gimp-image-delete image))))

(qv-test "Draw Path fills the active layer and hides ESLs"
         (lambda ()
           (let* ((image (qv-new-image 100 100))
                  (background (car (gimp-image-get-active-layer image)))
                  (path (qv-add-square image "Box" 20 20 40)))
             (plug-in-qv-path-set-style-attribute image "Box" "fill" "0 255 0")
             (gimp-image-set-active-vectors image path)
             (plug-in-qv-path-draw-current-temp 1 image background 0.5)
             (plug-in-qv-path-draw-current 1 image background 0.5)
             (let ((esl (car (gimp-image-get-layer-by-name
                             image (string-append "۞ ESL-" (number->string (car (gimp-item-get-tattoo path))))))))
               (qv-check "ESL hidden" (= 0 (car (gimp-item-get-visible esl)))))
             (qv-check-equal "background painted" '(0 255 0) (qv-pixel background 40 40))
             (qv-check-equal "outside untouched" '(255 255 255) (qv-pixel background 90 90))
             (gimp-image-delete image))))

(qv-test "a rotation helper follows its owner and an orphan is cleaned up"
         (lambda ()
           (let* ((image (qv-new-image 100 100))
                  (background (car (gimp-image-get-active-layer image)))
                  (path (qv-add-square image "Box" 20 20 40))
                  (tattoo (car (gimp-item-get-tattoo path))))
             (plug-in-qv-path-set-style-attribute image "Box" "fill" "255 0 0")
             (plug-in-qv-path-set-style-attribute image "Box" "rotate-at" "0 40 40")
             (gimp-image-set-active-vectors image path)
             (plug-in-qv-path-draw-current-temp 1 image background 0.5)
             (let ((helper (car (gimp-image-get-vectors-by-name
                                 image (string-append "۞ Rotation-" (number->string tattoo))))))
               (qv-check "helper made on the ESL draw" (> helper 0))
               (if (> helper 0)
                   (begin
                     ; Turn the handle straight down: the angle becomes 90.
                     (gimp-image-remove-vectors image helper)
                     (let ((moved (car (gimp-vectors-new image (string-append "۞ Rotation-" (number->string tattoo))))))
                       (gimp-vectors-stroke-new-from-points moved 0 12 (vector 40 40 40 40 40 40  40 90 40 90 40 90) FALSE)
                       (gimp-image-insert-vectors image moved 0 -1))
                     (qv-check-equal "rotate-at read from the helper" "90.0 40 40"
                                     (car (plug-in-qv-path-get-style-attribute image "Box" "rotate-at"))))))
             ; An orphaned helper goes with the next draw.
             (let ((orphan (car (gimp-vectors-new image "۞ Rotation-9999"))))
               (gimp-vectors-stroke-new-from-points orphan 0 12 (vector 1 1 1 1 1 1 9 9 9 9 9 9) FALSE)
               (gimp-image-insert-vectors image orphan 0 -1))
             (gimp-image-set-active-vectors image path)
             (plug-in-qv-path-draw-current-temp 1 image background 0.5)
             (qv-check "orphan removed" (= -1 (car (gimp-image-get-vectors-by-name image "۞ Rotation-9999"))))
             (gimp-image-delete image))))
